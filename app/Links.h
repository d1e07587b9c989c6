#pragma once
// Every outside address the program opens, and the one routine that opens them.

#include <QString>

#include <functional>

class QUrl;

namespace tessary::app {

namespace links {
QString homePage();        // the maker's home page, opened from the title
QString feedbackPage();    // where users send feedback and suggestions
QString tencentKeyPage();  // Tencent location service: apply for a key
QString baiduKeyPage();    // Baidu map open platform: key console
}  // namespace links

// Hands an http or https address to the desktop's default browser. Anything else (file:,
// javascript:, a bare path, a malformed address) is refused, since the notice's address
// comes from the network. Returns whether the address was handed on.
bool OpenInBrowser(const QString& address);

// Tests replace the desktop call to see which address would open. Empty restores it.
void setBrowserOpener(std::function<bool(const QUrl&)> opener);

}  // namespace tessary::app
