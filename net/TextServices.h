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
// A reply body as UTF-8: a page declaring its charset in a meta tag is decoded from it
// (gbk and gb2312 as code page 936); an undeclared body is UTF-8, or GBK when it is not
// valid UTF-8.
std::string pageToUtf8(std::string bytes);
// Letters, digits and "-_.~" kept; every other byte as "%XX", upper-case.
std::string urlEncode(std::string_view text);
// Unix time in seconds, decimal.
std::string timeStamp();

// Waits `ms` milliseconds. On the thread that registered a message pump (the window's) it
// keeps running the pump so the window stays responsive; elsewhere it sleeps. Returns early,
// with false, once `stop` is set. 0 returns at once.
bool pauseWithMessages(int ms, const std::atomic<bool>* stop = nullptr);
void setMessagePump(std::function<void()> pump);

}  // namespace tessary
