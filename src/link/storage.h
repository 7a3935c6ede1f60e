// Storage-memory operations of an fx-9860G-family calculator: sending a PC file,
// receiving a calculator file, the capacity check and optimizing. Sending and
// receiving hand their data phase to a worker thread (UploadWorker,
// DownloadWorker) that reports TransferNotice codes; the thread itself is a
// TransferSession (transfer_session.h). TransferDialogModel (transfer_dialog.h)
// is the transfer dialog's behaviour without a window, so the Qt dialog only
// paints it; this header brings both.
//
// Names (folders, calculator file names) are UTF-8 here and travel as GBK.
#pragma once

#include <cstddef>
#include <string>

#include "link/calculator_link.h"
#include "link/transfer_dialog.h"
#include "link/transfer_session.h"
#include "model/prompter.h"

namespace vornex::link {

inline constexpr std::size_t kDownloadBufferSize = 64 * 1024;
inline constexpr std::size_t kDownloadWriteBlock = 63488;  // written once the buffer holds this much
inline constexpr int kDownloadReadTries = 5;
inline constexpr std::size_t kMaxTargetNameBytes = 12;

// The set-up exchange of an upload of `sourcePath` as `targetName` (the
// source's file name when empty) into `folder` (root when empty): the checks,
// the capacity query and the announcement, with the overwrite question. True
// when the calculator waits for the data (UploadWorker); false after telling
// the user why. Runs on whichever thread then runs the worker.
bool PrepareUpload(TransferSession& session, LinkStatus& status, Prompter& prompter, const std::string& sourcePath,
                   const std::string& folder, const std::string& targetName);
void UploadWorker(TransferSession& session);

// The set-up of a download of `sourceName` of `folder` to `pcPath`: the PC
// file question, the file created, the download request. True when the
// calculator is ready to send (DownloadWorker).
bool PrepareDownload(TransferSession& session, const std::string& pcPath, LinkStatus& status, Prompter& prompter,
                     const std::string& folder, const std::string& sourceName);
void DownloadWorker(TransferSession& session);

// The optimize command: waits up to kLinkBusyWaitMs for a finishing transfer
// worker, then the exchange below, and tells the user.
bool OptimizeStorageCommand(CalculatorLink& link, Prompter& prompter);
// The optimize exchange, for the thread that owns the link: its own status
// block, opens and checks the link when closed, sends the optimize command and
// closes the link. False when the calculator could not be reached.
bool OptimizeStorageExchange(CalculatorLink& link);
inline constexpr const char* kOptimizeStartedText = "计算器存储内存正在优化...";
inline constexpr const char* kOptimizeFailedText = "不能打开计算器端口。";

}  // namespace vornex::link
