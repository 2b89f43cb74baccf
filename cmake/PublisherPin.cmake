# Stops the configuration when the pin's `part` holds a character nobody sees:
# a control character (C0, DEL, C1), a soft hyphen, a zero-width or direction
# mark, a line or paragraph separator, a word joiner or invisible operator, a
# byte-order mark or an interlinear annotation mark. Such a name, compiled into
# the updater's string literal, would differ from the one its maker reads.
# (The UTF-8 text is matched as hexadecimal, two digits a byte.)
function(refuse_hidden_characters part)
  string(HEX "${part}" hex)
  set(hidden "0[0-9a-f]|1[0-9a-f]|7f|c2[89][0-9a-f]|c2ad|d89c|e1a08e|e2808[b-f]|e280a[89a-e]|e281a[0-9a-f]")
  if(hex MATCHES "^(..)*(${hidden}|efbbbf|efbfb[9ab])")
    message(FATAL_ERROR "UPDATER_SETUP_PUBLISHER: \"${part}\" holds a control or invisible character")
  endif()
endfunction()

# Reads a publisher pin, "O=<organization>;CN=<common name>" in either order,
# into the variables named `organization` and `commonName`, as text for a C++
# string literal. An identity is exactly one non-empty O and exactly one
# non-empty CN, with no character nobody sees; anything else stops the
# configuration.
function(parse_publisher_pin pin organization commonName)
  set(seen "")
  set(o "")
  set(cn "")
  foreach(part IN LISTS pin)
    refuse_hidden_characters("${part}")
    if(part MATCHES "^O=(.*)$")
      set(o "${CMAKE_MATCH_1}")
      list(APPEND seen O)
    elseif(part MATCHES "^CN=(.*)$")
      set(cn "${CMAKE_MATCH_1}")
      list(APPEND seen CN)
    else()
      message(FATAL_ERROR "UPDATER_SETUP_PUBLISHER: \"${part}\" is neither O=... nor CN=...")
    endif()
  endforeach()
  list(SORT seen)
  if(NOT seen STREQUAL "CN;O" OR o STREQUAL "" OR cn STREQUAL "")
    message(FATAL_ERROR "UPDATER_SETUP_PUBLISHER needs both parts once, neither empty: \"O=<organization>;CN=<common name>\"")
  endif()
  foreach(name o cn)
    string(REPLACE "\\" "\\\\" ${name} "${${name}}")
    string(REPLACE "\"" "\\\"" ${name} "${${name}}")
  endforeach()
  set(${organization} "${o}" PARENT_SCOPE)
  set(${commonName} "${cn}" PARENT_SCOPE)
endfunction()

# `cmake -DPIN=... -P PublisherPin.cmake` checks one pin and prints what it names.
if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  parse_publisher_pin("${PIN}" organization commonName)
  message("O=${organization} CN=${commonName}")
endif()
