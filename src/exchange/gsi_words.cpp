#include "exchange/gsi_words.h"

#include <cmath>

namespace vornex::exchange::gsi {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Three-digit word indices: staff readings, repeat statistics, station results.
bool isThreeDigitIndex(int wi) {
    return (wi >= 330 && wi <= 336) || (wi >= 390 && wi <= 392) || (wi >= 571 && wi <= 574);
}

std::string lineText(int line) { return "第 " + std::to_string(line) + " 行"; }

// Printable text of a bad stretch for a message (control bytes shown as \xNN).
std::string shown(std::string_view s) {
    std::string out;
    for (unsigned char c : s.substr(0, 24)) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            static const char* hex = "0123456789ABCDEF";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

bool parseWord(std::string_view w, bool first, bool wide, Word& word, int& blockNumber, std::string& why) {
    for (int i : {0, 1}) {
        if (!isDigit(w[static_cast<std::size_t>(i)])) {
            why = "字号不是数字";
            return false;
        }
    }
    for (int i = 2; i < 6; ++i) {
        const char c = w[static_cast<std::size_t>(i)];
        if (!isDigit(c) && c != '.') {
            why = "信息位只能是数字或“.”";
            return false;
        }
    }
    if (w[6] != '+' && w[6] != '-') {
        why = "第 7 位应是符号“+”或“-”";
        return false;
    }
    const std::size_t n = wide ? 16 : 8;
    for (std::size_t i = 7; i < 7 + n; ++i) {
        const auto c = static_cast<unsigned char>(w[i]);
        if (c <= 0x20 || c >= 0x7F) {
            why = "数据位有空格或非 ASCII 字符";
            return false;
        }
    }
    const int two = (w[0] - '0') * 10 + (w[1] - '0');
    const bool allDigits = isDigit(w[2]) && isDigit(w[3]) && isDigit(w[4]) && isDigit(w[5]);
    if (first && allDigits && !isThreeDigitIndex(two * 10 + (w[2] - '0'))) {
        // Block number form: "110012+...".
        word.index = two;
        blockNumber = (w[2] - '0') * 1000 + (w[3] - '0') * 100 + (w[4] - '0') * 10 + (w[5] - '0');
    } else if (isDigit(w[2])) {
        word.index = two * 10 + (w[2] - '0');
        if (!isThreeDigitIndex(word.index)) {
            why = "不认识的字号 " + std::to_string(word.index);
            return false;
        }
        word.inputMode = w[4];
        word.unit = w[5];
    } else {
        word.index = two;
        word.inputMode = w[4];
        word.unit = w[5];
    }
    word.negative = w[6] == '-';
    word.data.assign(w.substr(7, n));
    word.raw.assign(w);
    return true;
}

bool parseLine(std::string_view line, int lineNo, Block& block, std::string& error) {
    block = {};
    block.line = lineNo;
    block.wide = !line.empty() && line[0] == '*';
    const std::size_t size = block.wide ? 24 : 16;  // with its blank
    std::size_t pos = block.wide ? 1 : 0;
    while (true) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size()) break;
        Word word;
        word.position = static_cast<int>(block.words.size()) + 1;
        const std::string_view rest = line.substr(pos);
        const std::string_view w = rest.substr(0, size - 1);
        auto fail = [&](const std::string& why) {
            error = lineText(lineNo) + "第 " + std::to_string(word.position) + " 个字（" + shown(w) + "）：" + why;
            return false;
        };
        if (rest.size() < size - 1 || (rest.size() > size - 1 && rest[size - 1] != ' ' && rest[size - 1] != '\t')) {
            return fail(block.wide ? "不是 GSI-16 的字（字长 23 个字符，后跟空格）"
                                   : "不是 GSI-8 的字（字长 15 个字符，后跟空格）");
        }
        std::string why;
        if (!parseWord(w, block.words.empty(), block.wide, word, block.blockNumber, why)) return fail(why);
        block.words.push_back(std::move(word));
        pos += size - 1;
    }
    return true;
}

}  // namespace

const Word* Block::find(int index) const {
    for (const Word& w : words) {
        if (w.index == index) return &w;
    }
    return nullptr;
}

bool readBlocks(std::string_view text, std::vector<Block>& blocks, std::string& error) {
    blocks.clear();
    int lineNo = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        // Line ends of any system, trailing blanks and the end-of-file mark of old transfer programs.
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t' || line.back() == '\x1a')) {
            line.remove_suffix(1);
        }
        if (line.empty()) continue;
        Block block;
        if (!parseLine(line, lineNo, block, error)) return false;
        if (!block.words.empty()) blocks.push_back(std::move(block));
    }
    return true;
}

std::string where(const Block& block, const Word& word) {
    return lineText(block.line) + "第 " + std::to_string(word.position) + " 个字（" + word.raw + "）";
}

std::string pointName(const Word& word) {
    std::size_t i = 0;
    while (i + 1 < word.data.size() && (word.data[i] == '0' || word.data[i] == '.')) ++i;
    std::string name = word.data.substr(i);
    if (name == ".") name.clear();
    return name;
}

namespace {

bool integerData(const Block& block, const Word& word, std::int64_t& value, std::string& error) {
    value = 0;
    for (char c : word.data) {
        if (!isDigit(c)) {
            error = where(block, word) + "：数据不是数字";
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (word.negative) value = -value;
    return true;
}

std::string unitText(char unit) { return unit == '.' ? "没有单位" : std::string("单位代码 ") + unit; }

}  // namespace

double lengthResolution(const Word& word) {
    switch (word.unit) {
        case '0': return 0.001;
        case '1': return 0.0003048;
        case '6': return 0.0001;
        case '7': return 0.00003048;
        case '8': return 0.00001;
        default: return 0;
    }
}

bool lengthValue(const Block& block, const Word& word, double& metres, std::string& error) {
    double scale = 0;
    switch (word.unit) {
        case '0': scale = 1e-3; break;
        case '1': scale = 0.3048e-3; break;
        case '6': scale = 1e-4; break;
        case '7': scale = 0.3048e-4; break;
        case '8': scale = 1e-5; break;
        default:
            error = where(block, word) + "：" + unitText(word.unit) + "不是长度单位，不猜测";
            return false;
    }
    std::int64_t n = 0;
    if (!integerData(block, word, n, error)) return false;
    metres = static_cast<double>(n) * scale;
    return true;
}

bool angleValue(const Block& block, const Word& word, double& degrees, std::string& error) {
    std::int64_t n = 0;
    switch (word.unit) {
        case '2':
        case '3':
        case '4':
        case '5': break;
        default:
            error = where(block, word) + "：" + unitText(word.unit) + "不是角度单位，不猜测";
            return false;
    }
    if (!integerData(block, word, n, error)) return false;
    const bool negative = n < 0;
    const std::int64_t a = negative ? -n : n;
    switch (word.unit) {
        case '2': degrees = static_cast<double>(a) * 1e-5 * 0.9; break;   // 400 gon to the circle
        case '3': degrees = static_cast<double>(a) * 1e-5; break;
        case '5': degrees = static_cast<double>(a) * 1e-4 * 360.0 / 6400.0; break;
        default: {
            // DDDMMSSs: tenths of a second in the last place.
            const std::int64_t tenths = a % 10, seconds = (a / 10) % 100, minutes = (a / 1000) % 100, whole = a / 100000;
            if (minutes >= 60 || seconds >= 60) {
                error = where(block, word) + "：度分秒的分或秒不小于 60";
                return false;
            }
            degrees = static_cast<double>(whole) + static_cast<double>(minutes) / 60.0 +
                      (static_cast<double>(seconds) + static_cast<double>(tenths) / 10.0) / 3600.0;
        }
    }
    if (negative) degrees = -degrees;
    return true;
}

}  // namespace vornex::exchange::gsi
