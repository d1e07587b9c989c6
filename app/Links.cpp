#include "app/Links.h"

#include <QDesktopServices>
#include <QUrl>

#include "net/ServiceAddress.h"

namespace tessary::app {
namespace {

std::function<bool(const QUrl&)>& opener() {
  static std::function<bool(const QUrl&)> current;
  return current;
}

QString makerPage(const char* path) {
  return QStringLiteral("https://") + QString::fromStdString(std::string(publicHost(Service::Maker))) +
         QString::fromLatin1(path);
}

}  // namespace

namespace links {
QString homePage() {
  return makerPage("/");
}
QString feedbackPage() {
  return makerPage("/feedback");
}
QString tencentKeyPage() {
  return QStringLiteral("https://lbs.qq.com/mykey.html");
}
QString baiduKeyPage() {
  return QStringLiteral("https://lbsyun.baidu.com/apiconsole/key");
}
}  // namespace links

bool OpenInBrowser(const QString& address) {
  QUrl url(address.trimmed(), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || (scheme != "http" && scheme != "https") || url.host().isEmpty()) return false;
  if (opener()) return opener()(url);
  return QDesktopServices::openUrl(url);
}

void setBrowserOpener(std::function<bool(const QUrl&)> replacement) {
  opener() = std::move(replacement);
}

}  // namespace tessary::app
