#include "smb/named_pipe.h"

#include <algorithm>
#include <cstring>

#include "platform/status_codes.h"

namespace winreach::smb {

NamedPipe::NamedPipe(Smb2Connection& connection, PipeStart started, ErrorCode open_error,
                     ErrorCode error_code)
    : connection_(connection),
      tree_id_(started.tree_id),
      opened_(started.opened.ok()),
      open_error_(std::move(open_error)),
      error_code_(std::move(error_code)) {
  if (!opened_) {
    failure_ = open_error_(started.opened);
    return;
  }
  file_ = started.created.file_id;
  started_ = std::move(started);
  ahead_ = true;
}

NamedPipe::~NamedPipe() {
  if (opened_) connection_.CloseLater(tree_id_, file_);
}

uint32_t NamedPipe::Open() {
  if (!to_open_) return 0;
  CreateResponse created;
  const SmbResult result = connection_.Create(tree_id_, *to_open_, &created);
  to_open_.reset();
  if (!result.ok()) {
    failure_ = open_error_(result);
    return failure_;
  }
  file_ = created.file_id;
  opened_ = true;
  return 0;
}

uint32_t NamedPipe::FlushHeld() {
  if (!holding_) return 0;
  if (const uint32_t error = Open(); error != 0) return error;
  holding_ = false;
  const SmbResult result = connection_.Write(tree_id_, file_, held_);
  return result.ok() ? Answered() : Failed(result);
}

uint32_t NamedPipe::Failed(const SmbResult& result) {
  if (!ahead_ || !connection_.broken()) return error_code_(result);
  failure_ = open_error_(result);
  return failure_;
}

uint32_t NamedPipe::TakeStarted(std::span<const uint8_t> bytes) {
  if (!std::ranges::equal(bytes, started_->input)) {
    started_.reset();
    failure_ = status::kRpcProtocolError;
    return failure_;
  }
  started_written_ = true;
  return 0;
}

uint32_t NamedPipe::Write(std::span<const uint8_t> bytes) {
  if (failure_ != 0) return failure_;
  if (started_ && !started_written_) return TakeStarted(bytes);
  if (const uint32_t error = FlushHeld(); error != 0) return error;
  if (const uint32_t error = Drain(); error != 0) return error;
  held_.assign(bytes.begin(), bytes.end());
  holding_ = true;
  return 0;
}

uint32_t NamedPipe::Drain() {
  // What is left of an earlier answer is no one's any more; what the server
  // still holds of it is read and dropped, or it would refuse the next
  // request. An answer that never ends is the server's fault, not a reason
  // to read for ever: the pipe is given up.
  size_t drained = answer_.size() - answer_at_;
  answer_.clear();
  answer_at_ = 0;
  if (started_) {
    drained += started_->answer.size();
    more_ = started_->more;
    started_.reset();
  }
  Bytes part;
  while (more_) {
    const SmbResult result =
        connection_.Read(tree_id_, file_, connection_.max_read_size(), 0, &part, &more_);
    if (!result.ok()) return Failed(result);
    Answered();
    drained += part.size();
    if (part.empty() || drained > kMaxDrained) {
      more_ = false;
      failure_ = status::kRpcCallFailed;
      return failure_;
    }
  }
  return 0;
}

uint32_t NamedPipe::Fetch() {
  Bytes part;
  SmbResult result;
  const bool took_started = started_written_ && started_;
  if (took_started) {
    result = started_->transceived;
    part = std::move(started_->answer);
    more_ = started_->more;
    started_.reset();
  } else if (holding_ && to_open_) {
    holding_ = false;
    CreateResponse created;
    const SmbResult opened = connection_.CreateAndTransceive(tree_id_, *to_open_, held_, &created,
                                                             &part, &more_, &result);
    to_open_.reset();
    if (!opened.ok()) {
      failure_ = open_error_(opened);
      return failure_;
    }
    file_ = created.file_id;
    opened_ = true;
  } else if (holding_) {
    holding_ = false;
    result = connection_.Transceive(tree_id_, file_, held_, &part, &more_);
  } else if (const uint32_t error = Open(); error != 0) {
    return error;
  } else {
    result = connection_.Read(tree_id_, file_, connection_.max_read_size(), 0, &part, &more_);
  }
  if (!result.ok()) return Failed(result);
  if (!took_started) Answered();
  // A success with nothing in it would have us ask again for ever.
  if (part.empty()) return status::kRpcProtocolError;
  answer_.erase(answer_.begin(), answer_.begin() + static_cast<ptrdiff_t>(answer_at_));
  answer_at_ = 0;
  answer_.insert(answer_.end(), part.begin(), part.end());
  return 0;
}

uint32_t NamedPipe::Read(std::span<uint8_t> out) {
  if (failure_ != 0) return failure_;
  while (answer_.size() - answer_at_ < out.size()) {
    if (const uint32_t error = Fetch(); error != 0) return error;
  }
  if (!out.empty()) std::memcpy(out.data(), answer_.data() + answer_at_, out.size());
  answer_at_ += out.size();
  return 0;
}

}  // namespace winreach::smb
