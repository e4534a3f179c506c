// The one place where message boxes (and the framework's ShowMessage) end. A host may show a
// real dialog, tests capture; by default one line goes to standard error.
#pragma once

#include <functional>
#include <string>

#include "wintypes.h"

namespace win32 {

using NoticeHandler =
    std::function<void(const std::string &caption, const std::string &text, UINT style)>;

// Installs handler (an empty one restores the default) and returns the one it replaces.
NoticeHandler SetNoticeHandler(NoticeHandler handler);

// Hands a notice to the current handler; callable from any thread.
void ShowNotice(const std::string &caption, const std::string &text, UINT style);

namespace detail {
// The default handler, one per system: a line on standard error here, a real message box on
// Windows.
void SystemNotice(const std::string &caption, const std::string &text, UINT style);
}  // namespace detail

}  // namespace win32
