#pragma once
// Small text services around the exchanges with the map services.

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

namespace tessary {

// JSON/JS string escapes (\uXXXX with surrogate pairs, \" \\ \/ \' \b \f \n \r \t) decoded;
// everything else, malformed escapes included, left as it stands.
std::string decodeEscapes(std::string_view text);
// Every "#引号" becomes a double quote.
std::string restoreQuotes(std::string_view text);
// Local text (code page 936, GBK) to UTF-8 and back; bytes that cannot be converted become
// U+FFFD or "?" rather than failing.
std::string localToUtf8(std::string_view local);
std::string utf8ToLocal(std::string_view utf8);
// Bytes in charset `from` to UTF-8; false when iconv does not know the charset.
bool decodeCharset(std::string_view bytes, const std::string& from, std::string& utf8);
bool isValidUtf8(std::string_view text);
// Letters, digits and "-_.~" kept; every other byte as "%XX", upper-case.
std::string urlEncode(std::string_view text);
// Unix time in seconds, decimal.
std::string timeStamp();

// Waits `ms` milliseconds. While waiting it keeps calling the registered message pump (the
// window registers one so that it stays responsive) and returns early, with false, once
// `stop` is set. 0 returns at once.
bool pauseWithMessages(int ms, const std::atomic<bool>* stop = nullptr);
void setMessagePump(std::function<void()> pump);

}  // namespace tessary
