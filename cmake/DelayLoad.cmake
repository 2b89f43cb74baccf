# Delay-loaded system DLLs.
#
# Windows looks for a DLL that is not one of its known DLLs
# (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs) in the
# program's own folder first, so a file planted beside updater.exe (say, in
# the Downloads folder) under such a name would run when the process starts.
# These DLLs are therefore delay-loaded: nothing loads them before the
# executable has limited the DLL search to System32 (src/app/SystemDllSearch.cpp).
# Each name becomes a target of that name, so `target_link_libraries(x wininet)`
# links the delay-import library instead of the MinGW-w64 import library.
# Add every imported DLL here that is not a known DLL of Windows 10 and 11
# (tests/e2e/system-dlls-only.sh checks the executable's import table).
set(UPDATER_DELAY_LOADED_DLLS wininet winhttp crypt32 comctl32 wintrust credui)

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delay-import)
foreach(dll IN LISTS UPDATER_DELAY_LOADED_DLLS)
  find_library(${dll}_IMPORT_LIBRARY NAMES lib${dll}.a REQUIRED NO_CACHE)
  set(delay_library ${CMAKE_BINARY_DIR}/delay-import/lib${dll}-delay.a)
  add_custom_command(
    OUTPUT ${delay_library}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/delay-import-library.sh
            ${CMAKE_NM} ${CMAKE_DLLTOOL} ${${dll}_IMPORT_LIBRARY} ${delay_library}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/delay-import-library.sh ${${dll}_IMPORT_LIBRARY}
    COMMENT "Delay-import library for ${dll}"
    VERBATIM)
  add_custom_target(${dll}_delay_import DEPENDS ${delay_library})
  add_library(${dll} INTERFACE)
  target_link_libraries(${dll} INTERFACE ${delay_library})
  add_dependencies(${dll} ${dll}_delay_import)
endforeach()
