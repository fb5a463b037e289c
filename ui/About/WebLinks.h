#pragma once

#include <QString>
#include <functional>

// The maker's pages and the channel portal, opened in the user's default web browser.
inline constexpr char BRACKWELL_WEB_PAGE[] = "https://www.brackwell.example/";
inline constexpr char BRACKWELL_DONATE_PAGE[] = "https://www.brackwell.example/donate.htm";
inline constexpr char LINKURL[] = "https://www.vendane.example/";

namespace WebLinks {
// Hands `address` to the default browser. Whether a browser could be started is not examined:
// the program reports nothing and changes nothing either way.
void openWebPage(const QString &address);

// Tests receive every address instead of the browser; an empty function restores the browser.
using Opener = std::function<void(const QString &address)>;
void setOpenerForTesting(Opener opener);
} // namespace WebLinks
