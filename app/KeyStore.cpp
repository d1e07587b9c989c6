#include "app/KeyStore.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdlib>

#include "app/ProfileFile.h"
#include "net/TextServices.h"

namespace tessary::app {
namespace {

const char* sectionOf(ServiceKey which) {
  return which == ServiceKey::Tencent ? "tencent" : "baidu";
}

}  // namespace

std::string KeyStore::defaultPath() {
  if (const char* env = std::getenv("TESSARY_KEYS_INI"); env && *env) return env;
  return QDir(QCoreApplication::applicationDirPath()).filePath("keys.ini").toStdString();
}

QString KeyStore::load(ServiceKey which) const {
  auto value = readProfileString(path_, sectionOf(which), "key");
  return value ? QString::fromStdString(localToUtf8(*value)) : QString();
}

bool KeyStore::save(ServiceKey which, const QString& value) const {
  return writeProfileString(path_, sectionOf(which), "key", utf8ToLocal(value.toStdString()));
}

}  // namespace tessary::app
