// The question for a proxy's user name and password: asked by the download
// worker, answered on the UI thread with the platform's credential prompt.
#pragma once

#include "job/Job.h"

#include "net/HttpClient.h"

#include <windows.h>

#include <string>

// Sent by the worker's asker to the window that answers on the UI thread;
// lParam: the question (see AnswerProxyCredentialsQuestion); the result is unused.
constexpr UINT WM_ASK_PROXY_CREDENTIALS = WM_USER + 40;

// Returns the handler a download worker is given for a proxy's 407: it sends
// WM_ASK_PROXY_CREDENTIALS to `answering` and waits for the answer. The window
// procedure of `answering` passes that message to AnswerProxyCredentialsQuestion.
// Any thread but `answering`'s.
Net::HttpClient::ProxyCredentialsHandler ProxyCredentialsAsker(HWND answering);

// Shows the platform's credential prompt for the question that `question`
// (a WM_ASK_PROXY_CREDENTIALS's lParam) carries, owned by `owner`, in front of
// it, naming the proxy, its texts in `language`; stores what the user typed, or
// nothing when cancelled or `ask` is false (a closed window asks no more). UI thread.
void AnswerProxyCredentialsQuestion(HWND owner, LPARAM question, bool ask, UiLanguage language);
