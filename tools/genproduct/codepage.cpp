#include "codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

namespace {

// Closes the conversion descriptor on every way out.
class Converter {
public:
    explicit Converter(int codePage) {
        std::string name = "CP" + std::to_string(codePage);
        handle_ = iconv_open(name.c_str(), "UTF-8");
    }
    ~Converter() {
        if (Valid()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`; on a character the code page lacks returns false
    // with `failedAt` at that character's first byte.
    bool Convert(const std::string& in, std::string& out, size_t& failedAt) {
        out.clear();
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char* input = const_cast<char*>(in.data());
        size_t inputLeft = in.size();
        char buffer[4096];
        for (;;) {
            char* output = buffer;
            size_t outputLeft = sizeof buffer;
            size_t result = iconv(handle_, inputLeft ? &input : nullptr, &inputLeft, &output, &outputLeft);
            out.append(buffer, static_cast<size_t>(output - buffer));
            if (result != static_cast<size_t>(-1)) {
                if (inputLeft == 0) break;
                continue;
            }
            if (errno == E2BIG) continue;
            failedAt = static_cast<size_t>(input - in.data());
            return false;
        }
        // Shift sequences, if the code page has any state to end.
        char* output = buffer;
        size_t outputLeft = sizeof buffer;
        iconv(handle_, nullptr, nullptr, &output, &outputLeft);
        out.append(buffer, static_cast<size_t>(output - buffer));
        return true;
    }

private:
    iconv_t handle_;
};

bool IsDoubleByteCodePage(int codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

std::string EncodeUtf8(uint32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Length of the UTF-8 sequence starting at `text[at]` and its code point;
// 0 when malformed (overlong forms, surrogates and values past U+10FFFF too).
size_t DecodeOne(const std::string& text, size_t at, uint32_t& codePoint) {
    unsigned char first = static_cast<unsigned char>(text[at]);
    size_t length;
    uint32_t minimum;
    if (first < 0x80) { codePoint = first; return 1; }
    if ((first & 0xE0) == 0xC0) { length = 2; minimum = 0x80; codePoint = first & 0x1F; }
    else if ((first & 0xF0) == 0xE0) { length = 3; minimum = 0x800; codePoint = first & 0x0F; }
    else if ((first & 0xF8) == 0xF0) { length = 4; minimum = 0x10000; codePoint = first & 0x07; }
    else return 0;
    if (at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i) {
        unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return 0;
    return length;
}

// " on line N" for texts of several lines, else "".
std::string LineOf(const std::string& text, size_t at) {
    if (text.find('\n') == std::string::npos) return "";
    size_t line = 1;
    for (size_t i = 0; i < at; ++i)
        if (text[i] == '\n') ++line;
    return " on line " + std::to_string(line);
}

}  // namespace

bool IsAcceptedCodePage(int codePage) {
    return codePage == 874 || IsDoubleByteCodePage(codePage) || (codePage >= 1250 && codePage <= 1258);
}

int FontCharSetOf(int codePage) {
    static const struct {
        int codePage;
        int charSet;
    } kCharSets[] = {
        {1252, 0},    // ANSI_CHARSET
        {1250, 238},  // EASTEUROPE_CHARSET
        {1251, 204},  // RUSSIAN_CHARSET
        {1253, 161},  // GREEK_CHARSET
        {1254, 162},  // TURKISH_CHARSET
        {1255, 177},  // HEBREW_CHARSET
        {1256, 178},  // ARABIC_CHARSET
        {1257, 186},  // BALTIC_CHARSET
        {1258, 163},  // VIETNAMESE_CHARSET
        {874, 222},   // THAI_CHARSET
        {932, 128},   // SHIFTJIS_CHARSET
        {936, 134},   // GB2312_CHARSET
        {949, 129},   // HANGUL_CHARSET
        {950, 136},   // CHINESEBIG5_CHARSET
    };
    for (const auto& entry : kCharSets)
        if (entry.codePage == codePage) return entry.charSet;
    return 0;
}

const char* AcceptedCodePagesText() { return "874, 932, 936, 949, 950 and 1250 to 1258"; }

bool DecodeUtf8(const std::string& utf8, std::vector<uint32_t>& codePoints, size_t& badOffset) {
    codePoints.clear();
    for (size_t at = 0; at < utf8.size();) {
        uint32_t codePoint = 0;
        size_t length = DecodeOne(utf8, at, codePoint);
        if (length == 0) {
            badOffset = at;
            return false;
        }
        codePoints.push_back(codePoint);
        at += length;
    }
    return true;
}

std::string DescribeCharacter(uint32_t codePoint) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
    // Control characters are named only by their number.
    if (codePoint < 0x20 || codePoint == 0x7F || (codePoint >= 0x80 && codePoint < 0xA0)) return name;
    return std::string(name) + " \"" + EncodeUtf8(codePoint) + "\"";
}

bool ToCodePage(const std::string& utf8, int codePage, TextUse use, std::string& out, std::string& why) {
    for (size_t at = 0; at < utf8.size();) {
        uint32_t codePoint = 0;
        size_t length = DecodeOne(utf8, at, codePoint);
        if (length == 0) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(utf8[at]));
            why = "is not UTF-8: the byte " + std::string(byte) + " at offset " + std::to_string(at) +
                  LineOf(utf8, at) + " begins no character";
            return false;
        }
        at += length;
    }
    Converter converter(codePage);
    if (!converter.Valid()) {
        why = "code page " + std::to_string(codePage) + " is not known to this system's iconv";
        return false;
    }
    size_t failedAt = 0;
    if (!converter.Convert(utf8, out, failedAt)) {
        uint32_t codePoint = 0;
        DecodeOne(utf8, failedAt, codePoint);
        why = "the character " + DescribeCharacter(codePoint) + LineOf(utf8, failedAt) +
              " cannot be written in code page " + std::to_string(codePage);
        return false;
    }
    if (use == TextUse::kPath && IsDoubleByteCodePage(codePage)) {
        for (size_t at = 0; at < utf8.size();) {
            uint32_t codePoint = 0;
            size_t length = DecodeOne(utf8, at, codePoint);
            if (codePoint >= 0x80) {
                std::string bytes;
                size_t ignored = 0;
                if (converter.Convert(utf8.substr(at, length), bytes, ignored) && bytes.size() > 1 &&
                    bytes.find_first_of("\\/", 1) != std::string::npos) {
                    why = "the character " + DescribeCharacter(codePoint) + " is written in code page " +
                          std::to_string(codePage) +
                          " with a backslash or slash as its second byte, which a path would take for a separator";
                    return false;
                }
            }
            at += length;
        }
    }
    return true;
}
