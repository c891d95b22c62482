// How samples move inside a graph (not part of the filter interfaces): a decoder or parser offers
// encoded bytes or decoded samples on its output pin, and the next stage pulls from it. Decoded samples
// are 32-bit float, channels interleaved, -1.0 to 1.0.
#pragma once

#include <memory>

#include "platform/media/DShow.h"

namespace qh::media {

struct AudioFormat {
  int rate = 0;
  int channels = 0;
  bool operator==(const AudioFormat&) const = default;
};

// Decoded samples. Read gives the frames read (0 at the end of the stream) or a failure HRESULT.
class PcmSource {
 public:
  virtual ~PcmSource() = default;
  virtual AudioFormat Format() const = 0;
  virtual long Read(float* frames, long frameCount) = 0;
  virtual HRESULT Seek(REFERENCE_TIME position) = 0;
  virtual REFERENCE_TIME Duration() const = 0;
};

// Encoded bytes read by offset. ReadAt gives the bytes read (0 at the end) or a failure HRESULT.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual LONGLONG Size() const = 0;
  virtual long ReadAt(LONGLONG offset, void* buffer, long count) = 0;
};

// A part of another byte source (a data chunk inside a file).
class ByteRange : public ByteSource {
 public:
  ByteRange(std::shared_ptr<ByteSource> whole, LONGLONG first, LONGLONG size)
      : whole_(std::move(whole)), first_(first), size_(size) {}
  LONGLONG Size() const override { return size_; }
  long ReadAt(LONGLONG offset, void* buffer, long count) override {
    if (offset >= size_) return 0;
    if (offset + count > size_) count = static_cast<long>(size_ - offset);
    return whole_->ReadAt(first_ + offset, buffer, count);
  }

 private:
  std::shared_ptr<ByteSource> whole_;
  LONGLONG first_;
  LONGLONG size_;
};

// The end of a graph: a sound device, the null device or a file.
class AudioSink {
 public:
  virtual ~AudioSink() = default;
  // Prepares for samples of a format (called again when the format changes); a failure HRESULT when the
  // device cannot take it.
  virtual HRESULT Open(const AudioFormat& format) = 0;
  // Takes frames that are due now; may block briefly while a device's buffer is full.
  virtual HRESULT Write(const float* frames, long frameCount) = 0;
  // Drops what is buffered and not yet heard (pause, stop, seek).
  virtual void Flush() {}
  virtual void Close() = 0;
};

}  // namespace qh::media
