// The exchanges the workbench performs with the calculator, each one starting
// with the workbench sending a command: capacity, optimize, upload announcement
// and data packets, download request and data, listing, delete and abort.
// Every reply is one ReadReply with the link's reply time-out.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "link/calculator_link.h"
#include "link/packet.h"

namespace vornex::link {

// Free bytes of storage memory, or -1 when the query failed; the two failures
// write a diagnostic line to `diag` (standard output by default).
long long QueryStorageCapacity(CalculatorLink& link);
long long QueryStorageCapacity(CalculatorLink& link, std::ostream& diag);

// "51" then command 00; no reply is read.
void OptimizeStorage(CalculatorLink& link);

// Terminate "01" then command 00.
void AbortTransfer(CalculatorLink& link);

enum class AnnounceResult {
    Ready,     // the calculator acknowledged: the data phase may start
    Declined,  // the file exists and the user declined to overwrite it
    Failed,    // no reply or an unexpected one
};

// Upload announcement "45". `askOverwrite` is asked when the calculator reports
// that the file exists.
AnnounceResult AnnounceUpload(CalculatorLink& link, std::string_view folder, std::uint32_t fileSize,
                              std::string_view fileName, const std::function<bool()>& askOverwrite);

// NoReply: nothing within the reply time-out; Closed: the calculator closed the link.
enum class PacketResult { Acked, NoReply, Closed, ResendLimit, Rejected, Stopped };

inline constexpr int kMaxSends = 5;  // a data packet is sent at most five times

// Sends one upload data packet and waits for its ack, sending it again on each
// resend request. `stop` is asked before each repeat, so a cancel does not wait
// out the remaining resends (the result is then Stopped). An answer that is
// neither ack nor resend request is a rejection: going on would report a
// transfer the calculator refused as done.
PacketResult SendDataPacket(CalculatorLink& link, std::string_view packet, const std::function<bool()>& stop = {});

// Download request "44": false when the calculator reports the file missing.
bool RequestDownload(CalculatorLink& link, std::string_view folder, std::string_view fileName);

// Listing of storage memory: false when the command is not acknowledged.
// Stops after `maxEntries` entries so a calculator that never ends cannot hold
// us; *cutShort (when given) then tells that the calculator still had entries.
inline constexpr std::size_t kMaxListingEntries = 65536;
bool ListStorageFiles(CalculatorLink& link, std::vector<ListingEntry>& entries,
                      std::size_t maxEntries = kMaxListingEntries, bool* cutShort = nullptr);

// Delete "46", confirmed when the calculator asks; true when the calculator's
// last answer is an ack.
bool DeleteStorageFile(CalculatorLink& link, std::string_view folder, std::string_view fileName);

}  // namespace vornex::link
