// The word layer of GSI raw files, the block format that digital levels and
// total stations record: one block per text line, each block a row of words
//
//   WI(3) INFO(3) SIGN DATA(8 or 16) blank
//
// A line that starts with '*' holds 16-character data (GSI-16), any other line
// 8-character data (GSI-8). The word index (WI) takes the first two characters,
// or three when the third is a digit (331, 572, ...); a '.' fills the unused
// places. The last information character is the unit of the data. The first
// word of a block may instead carry a four-digit block number in the places
// after its two-digit index ("110012+...").
//
// This layer only takes words apart and gives numbers their unit; what a word
// means to a survey is decided by the conversions (gsi_level.cpp,
// gsi_control.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vornex::exchange::gsi {

struct Word {
    int index = 0;           // word index: 11, 21, 331, ...
    char inputMode = '.';    // second information character: '1' typed on the keyboard, '4' computed
    char unit = '.';         // last information character: '0'..'8', or '.' when the word has none
    bool negative = false;
    std::string data;        // the 8 or 16 data characters as written
    std::string raw;         // the whole word as written, for messages
    int position = 0;        // 1-based place of the word in its block
};

struct Block {
    int line = 0;            // 1-based line of the file
    int blockNumber = -1;    // from the first word, when it carries one
    bool wide = false;       // GSI-16
    std::vector<Word> words;
    // The first word with this index, or null.
    const Word* find(int index) const;
};

// Splits a raw file into blocks. Blank lines are skipped. False with a message
// naming the line and the word for anything that is not a well-formed word row:
// a short or overlong word, a missing sign or blank, a character outside
// printable ASCII.
bool readBlocks(std::string_view text, std::vector<Block>& blocks, std::string& error);

// "第 N 行第 K 个字（raw）" for messages about a word.
std::string where(const Block& block, const Word& word);

// The data as a point name: blanks and the leading zeros (and dots) of the
// padding taken off; "0" stays "0".
std::string pointName(const Word& word);

// A length in metres (units 0 mm, 1 ft/1000, 6 m/10000, 7 ft/10000, 8 m/100000;
// feet are international feet, 0.3048 m). False with a message when the unit
// is no length unit or the data is not a number.
bool lengthValue(const Block& block, const Word& word, double& metres, std::string& error);

// An angle in decimal degrees (units 2 gon, 3 decimal degrees, 4 sexagesimal
// DDDMMSSs to 0.1", 5 mil of 6400 to the circle). False with a message when the
// unit is no angle unit, the data is not a number or minutes or seconds reach 60.
bool angleValue(const Block& block, const Word& word, double& degrees, std::string& error);

// The resolution of a length word in metres (0.001 for unit 0 ...), 0 for other units.
double lengthResolution(const Word& word);

}  // namespace vornex::exchange::gsi
