#include "exchange/notes.h"

#include <cstdio>

#include "model/records.h"

namespace vornex::exchange {
namespace {

constexpr std::size_t kQuotedCharacters = 60;

// Length of the UTF-8 sequence at text[i], or 0 when it is not a valid one.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    return n;
}

bool isControl(std::string_view seq) {
    if (seq.size() == 1) return static_cast<unsigned char>(seq[0]) < 0x20 || seq[0] == 0x7F;
    // C1 controls U+0080..U+009F (0xC2 0x80..0x9F) act on terminals too.
    return seq.size() == 2 && static_cast<unsigned char>(seq[0]) == 0xC2 &&
           static_cast<unsigned char>(seq[1]) < 0xA0;
}

std::string kindOf(std::string_view text) {
    const std::string_view mark = "：";
    std::size_t colon = text.find(mark);
    std::string_view rest = colon == std::string_view::npos ? text : text.substr(colon + mark.size());
    std::string key;
    for (char c : rest)
        if (c < '0' || c > '9') key += c;
    return key;
}

}  // namespace

void NoteList::add(std::string text) {
    std::string key = kindOf(text);
    add(std::move(text), key);
}

void NoteList::add(std::string text, const std::string& key) {
    Kind& kind = kinds_[key];
    if (++kind.count > kNotesPerKind) return;
    notes_.push_back(std::move(text));
    kind.lastShown = notes_.size() - 1;
}

std::vector<std::string> NoteList::take() {
    std::vector<std::string> counts(notes_.size());
    for (const auto& [key, kind] : kinds_)
        if (kind.count > kNotesPerKind)
            counts[kind.lastShown] = "… 以及另外 " + std::to_string(kind.count - kNotesPerKind) + " 个同类问题";
    std::vector<std::string> out;
    out.reserve(notes_.size() + kinds_.size());
    for (std::size_t i = 0; i < notes_.size(); ++i) {
        out.push_back(std::move(notes_[i]));
        if (!counts[i].empty()) out.push_back(std::move(counts[i]));
    }
    notes_.clear();
    kinds_.clear();
    return out;
}

std::string quotedInput(std::string_view input) {
    std::string out;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < input.size();) {
        if (shown == kQuotedCharacters) return out + "…";
        std::size_t n = utf8Length(input, i);
        if (n == 0 || isControl(input.substr(i, n))) {
            // An invalid byte, or a control character: its bytes in \xNN form.
            std::size_t m = n == 0 ? 1 : n;
            for (std::size_t k = 0; k < m; ++k) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(input[i + k]));
                out += buf;
            }
            i += m;
        } else {
            out.append(input.substr(i, n));
            i += n;
        }
        ++shown;
    }
    return out;
}

std::string withoutControls(std::string_view name, bool& removed) {
    removed = false;
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        std::size_t n = utf8Length(name, i);
        if (n != 0 && isControl(name.substr(i, n))) {
            removed = true;
        } else {
            out.append(name.substr(i, n == 0 ? 1 : n));
        }
        i += n == 0 ? 1 : n;
    }
    return out;
}

Name12 nameFromFile(std::string_view utf8, std::string_view what, bool road, NoteList& notes) {
    std::string kind;
    for (char c : what)
        if (c < '0' || c > '9') kind += c;
    bool removed = false;
    std::string clean = withoutControls(utf8, removed);
    if (removed) notes.add(std::string(what) + " \"" + quotedInput(utf8) + "\"：去掉其中的控制字符", kind + "控制字符");
    if (road && clean == kManualRoadName) {
        // The program's unsaved scratch road has this name: a road so named
        // would vanish from the project.
        notes.add(std::string(what) + " \"" + clean + "\" 是程序临时路线的名称，改为 \"Manual\"");
        clean = "Manual";
    }
    Name12 name;
    name.assignUtf8(clean);
    if (name.utf8() != clean) {
        notes.add(std::string(what) + " \"" + quotedInput(clean) + "\" 超过 12 字节或含有 GBK 以外的字符，存为 \"" +
                      name.utf8() + "\"",
                  kind + "截短");
    }
    return name;
}

}  // namespace vornex::exchange
