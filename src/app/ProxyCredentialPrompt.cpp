#include "app/ProxyCredentialPrompt.h"

#include <wincred.h>

#include <cwchar>
#include <optional>

namespace {

// What one question carries between the threads; it lives on the asking
// worker's stack while the UI thread answers (SendMessageW waits).
struct Question {
    const std::wstring& Proxy;
    std::optional<Net::ProxyCredentials> Answer;
};

struct PromptTexts {
    const wchar_t* Caption;
    const wchar_t* Message;  // %s: the proxy
};

const PromptTexts kEnglishPrompt = {L"Proxy server", L"The proxy server %s asks for your user name and password."};
const PromptTexts kRussianPrompt = {L"Прокси-сервер", L"Прокси-сервер %s запрашивает имя пользователя и пароль."};

// Wipes a buffer that held a password before it goes.
template <size_t N> struct WipedBuffer {
    wchar_t Text[N] = {};
    ~WipedBuffer() { SecureZeroMemory(Text, sizeof Text); }
};

// The prompt gives a name typed without a domain as "<target>\name": that
// "domain" is only the proxy's own name. A domain the user typed stays, for
// NTLM ("CORP\name").
std::wstring UserName(const wchar_t* typed, const std::wstring& target) {
    WipedBuffer<CREDUI_MAX_USERNAME_LENGTH + 1> user;
    WipedBuffer<CREDUI_MAX_DOMAIN_TARGET_LENGTH + 1> domain;
    if (CredUIParseUserNameW(typed, user.Text, CREDUI_MAX_USERNAME_LENGTH + 1, domain.Text,
                             CREDUI_MAX_DOMAIN_TARGET_LENGTH + 1) != NO_ERROR)
        return typed;
    if (domain.Text[0] == L'\0' || _wcsicmp(domain.Text, target.c_str()) == 0) return user.Text;
    return std::wstring(domain.Text) + L"\\" + user.Text;
}

std::optional<Net::ProxyCredentials> Prompt(HWND owner, const std::wstring& proxy, UiLanguage language) {
    const PromptTexts& texts = language == UiLanguage::Russian ? kRussianPrompt : kEnglishPrompt;
    std::wstring message(std::wcslen(texts.Message) + proxy.size(), L'\0');
    message.resize(static_cast<size_t>(
        std::swprintf(&message[0], message.size() + 1, texts.Message, proxy.c_str())));
    CREDUI_INFOW info = {};
    info.cbSize = sizeof info;
    info.hwndParent = owner;
    info.pszMessageText = message.c_str();
    info.pszCaptionText = texts.Caption;
    WipedBuffer<CREDUI_MAX_USERNAME_LENGTH + 1> user;
    WipedBuffer<CREDUI_MAX_PASSWORD_LENGTH + 1> password;
    BOOL save = FALSE;
    // Kept in memory for this run only: nothing is offered for saving, nothing is stored.
    const DWORD flags = CREDUI_FLAGS_GENERIC_CREDENTIALS | CREDUI_FLAGS_DO_NOT_PERSIST | CREDUI_FLAGS_ALWAYS_SHOW_UI |
                        CREDUI_FLAGS_EXCLUDE_CERTIFICATES;
    const DWORD result = CredUIPromptForCredentialsW(&info, proxy.c_str(), nullptr, 0, user.Text,
                                                     CREDUI_MAX_USERNAME_LENGTH + 1, password.Text,
                                                     CREDUI_MAX_PASSWORD_LENGTH + 1, &save, flags);
    if (result != NO_ERROR) return std::nullopt;
    return Net::ProxyCredentials(UserName(user.Text, proxy), password.Text);
}

}  // namespace

Net::HttpClient::ProxyCredentialsHandler ProxyCredentialsAsker(HWND answering) {
    return [answering](const std::wstring& proxy) {
        Question question{proxy, std::nullopt};
        // The UI thread serves sent messages in its waits for this worker too.
        SendMessageW(answering, WM_ASK_PROXY_CREDENTIALS, 0, reinterpret_cast<LPARAM>(&question));
        return std::move(question.Answer);
    };
}

void AnswerProxyCredentialsQuestion(HWND owner, LPARAM question, bool ask, UiLanguage language) {
    auto& asked = *reinterpret_cast<Question*>(question);
    if (ask) asked.Answer = Prompt(owner, asked.Proxy, language);
}
