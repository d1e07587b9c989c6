#pragma once
// The user's two service keys in keys.ini: section "tencent" or "baidu", entry "key",
// GBK text in the file, written on every change of a key box.

#include <QString>

#include <string>

namespace tessary::app {

enum class ServiceKey { Tencent, Baidu };

class KeyStore {
 public:
  explicit KeyStore(std::string path) : path_(std::move(path)) {}

  // TESSARY_KEYS_INI when set, else keys.ini beside the running executable.
  static std::string defaultPath();

  const std::string& path() const { return path_; }
  // Empty when the file, section or entry is missing or unreadable.
  QString load(ServiceKey which) const;
  // False when the file could not be written; the caller carries on silently.
  bool save(ServiceKey which, const QString& value) const;

 private:
  std::string path_;
};

}  // namespace tessary::app
