// The two conversions behind convertRaw (gsi_import.h), each over the blocks
// of a whole raw file.
#pragma once

#include <string>
#include <vector>

#include "exchange/gsi_import.h"
#include "exchange/gsi_words.h"

namespace vornex::exchange {

// Fill result.network (and notes) or set result.error; true on success.
bool convertLevelingBlocks(const std::vector<gsi::Block>& blocks, const RawImportOptions& options,
                           RawImportResult& result);
bool convertControlBlocks(const std::vector<gsi::Block>& blocks, const RawImportOptions& options,
                          RawImportResult& result);

// "a, b, c" of names, for messages.
std::string joinNames(const std::vector<std::string>& names);

}  // namespace vornex::exchange
