// The notes an import leaves for the user and the pieces of input they quote.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/fixed_text.h"

namespace vornex::exchange {

// Notes shown one by one before the rest of their kind is counted.
inline constexpr int kNotesPerKind = 10;

// Collects notes and keeps at most kNotesPerKind of each kind, followed by
// "… 以及另外 N 个同类问题". A note's kind is its text without the place it
// names (what stands before the first "：") and without digits, so 200,000
// zero-length elements make ten notes and one count, not 16 MB of text.
class NoteList {
public:
    void add(std::string text);
    // With the kind named by the caller (for notes whose text varies).
    void add(std::string text, const std::string& kind);
    // The notes in order, each kind's count after its last shown note.
    std::vector<std::string> take();

private:
    struct Kind {
        std::size_t lastShown = 0;  // index in notes_
        long long count = 0;
    };
    std::vector<std::string> notes_;
    std::map<std::string, Kind> kinds_;
};

// A piece of input for a message: cut to about 60 characters with "…" and
// with control characters and invalid bytes shown escaped ("\x1b"), so that
// a hostile file can neither flood a message nor drive the terminal.
std::string quotedInput(std::string_view input);

// A name read from a file without its control characters; `removed` tells
// whether any were there.
std::string withoutControls(std::string_view name, bool& removed);

// A name read from a file (UTF-8) as a record's 12-byte name, with a note for
// each thing lost on the way: control characters, the scratch road's name
// "~Manual" (a road becomes "Manual"; `road`), and what 12 GBK bytes cannot
// hold. `what` names the thing in the note ("线路名称", "控制点名").
Name12 nameFromFile(std::string_view utf8, std::string_view what, bool road, NoteList& notes);

}  // namespace vornex::exchange
