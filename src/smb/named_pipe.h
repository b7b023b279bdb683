// A named pipe on IPC$ as the RPC client's transport. The RPC client writes
// whole PDUs and then reads the answer; so each PDU is held until the next
// write or read: one followed by a write goes out as a plain WRITE (a
// fragment the server answers nothing to), the last before a read goes out
// as a pipe transaction, one round trip for request and answer. An answer
// larger than the transaction could carry is drained with READs before the
// next request, or the pipe would stay busy; what is drained is dropped, and
// an answer that never ends gives the pipe up.
//
// A pipe may also be opened by its first transaction: the CREATE and the
// transaction go in one message where the connection compounds requests.
// Or it was opened ahead, its first transaction with it: the first write of
// the same bytes takes that transaction's answer, and nothing is sent again.
// Closing the pipe leaves its CLOSE for the next request to carry.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "rpc/pipe_transport.h"
#include "smb/smb2_connection.h"

namespace winreach::smb {

class NamedPipe : public rpc::PipeTransport {
 public:
  // Turns a failed operation into the Windows code the RPC client reports.
  using ErrorCode = std::function<uint32_t(const SmbResult&)>;

  NamedPipe(Smb2Connection& connection, uint32_t tree_id, const FileId& file, ErrorCode error_code)
      : connection_(connection), tree_id_(tree_id), file_(file), error_code_(std::move(error_code)) {}
  // A pipe not opened yet: `create` opens it with the first transaction (or
  // alone, before a write or a read that does not follow one). When that
  // opening fails, `open_error` gives the code every call returns.
  NamedPipe(Smb2Connection& connection, uint32_t tree_id, CreateRequest create,
            ErrorCode open_error, ErrorCode error_code)
      : connection_(connection), tree_id_(tree_id), opened_(false), to_open_(std::move(create)),
        open_error_(std::move(open_error)), error_code_(std::move(error_code)) {}
  // A pipe opened ahead (Smb2Connection::StartTogether). When that opening
  // failed, `open_error` gives the code every call returns.
  NamedPipe(Smb2Connection& connection, PipeStart started, ErrorCode open_error,
            ErrorCode error_code);
  ~NamedPipe() override;
  NamedPipe(const NamedPipe&) = delete;
  NamedPipe& operator=(const NamedPipe&) = delete;

  uint32_t Write(std::span<const uint8_t> bytes) override;
  uint32_t Read(std::span<uint8_t> out) override;

 private:
  // The first write of a pipe opened ahead: the bytes its first transaction
  // sent, or the two ends no longer agree on what was said.
  uint32_t TakeStarted(std::span<const uint8_t> bytes);
  // The code of a failed exchange. A pipe opened ahead is opened, for its
  // user, when it is taken: until the server has answered it since, a
  // connection that fails is an opening that failed, as it would have been
  // had the pipe been opened then.
  uint32_t Failed(const SmbResult& result);
  uint32_t Answered() {
    ahead_ = false;
    return 0;
  }
  // Opens the pipe on its own, when it is still to be opened.
  uint32_t Open();
  // Sends the held PDU, if any, as a plain write.
  uint32_t FlushHeld();
  // Gets more of the answer: the held PDU's transaction, or a read.
  uint32_t Fetch();
  // Drops what is left of the last answer, here and at the server.
  uint32_t Drain();

  // More than any answer the RPC client takes: what a drain reads at most.
  static constexpr size_t kMaxDrained = size_t{1} << 20;

  Smb2Connection& connection_;
  const uint32_t tree_id_;
  FileId file_;
  bool opened_ = true;
  std::optional<CreateRequest> to_open_;  // while the pipe is not opened
  std::optional<PipeStart> started_;      // opened ahead, its answer not yet read
  bool started_written_ = false;          // ... and its request written
  bool ahead_ = false;                    // opened ahead, no answer since
  ErrorCode open_error_;
  ErrorCode error_code_;
  Bytes held_;            // the last PDU written, not yet sent
  bool holding_ = false;
  Bytes answer_;          // received and not yet read
  size_t answer_at_ = 0;
  bool more_ = false;     // the server has more of the current message
  uint32_t failure_ = 0;  // once the pipe is given up, what every call returns
};

}  // namespace winreach::smb
