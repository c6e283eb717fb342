// The description is UTF-8; the installer reads its narrow texts in the ANSI
// code page of the system it runs on. Every text that goes into the installer
// is converted here, and a character the declared code page cannot hold is
// refused rather than shown as something else.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kDefaultCodePage = 1252;

// The ANSI code pages an installer may declare: Thai, the four East Asian
// double-byte ones and the nine Windows code pages 1250 to 1258.
bool IsAcceptedCodePage(int codePage);
// The character set (LOGFONT lfCharSet) whose glyphs a code page's texts
// are drawn with: 0 (ANSI) for 1252, 238 (East European) for 1250, 128
// (Shift JIS) for 932, and so on; 0 for a code page not accepted.
int FontCharSetOf(int codePage);
// "874, 932, 936, 949, 950 and 1250 to 1258", for messages.
const char* AcceptedCodePagesText();

// Splits UTF-8 into code points. False, with the byte offset of the first
// malformed sequence in `badOffset`, when the text is not UTF-8.
bool DecodeUtf8(const std::string& utf8, std::vector<uint32_t>& codePoints, size_t& badOffset);

// U+00E9 "é": how a character is named in messages.
std::string DescribeCharacter(uint32_t codePoint);

// What a converted text is used for. Path texts become file, folder, link
// and key names: in a double-byte code page a character whose second byte is
// a backslash or a slash would be taken for a separator, so it is refused.
enum class TextUse { kText, kPath };

// Converts `utf8` into `codePage`. On failure `why` names the character that
// cannot be written (or the first byte that is not UTF-8) and, for texts of
// several lines, its line.
bool ToCodePage(const std::string& utf8, int codePage, TextUse use, std::string& out, std::string& why);
