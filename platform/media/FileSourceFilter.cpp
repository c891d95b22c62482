// The file source: reads a media file by offset and names what it holds (a RIFF WAVE file or an MPEG
// audio file) as its output type.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/core/Paths.h"
#include "platform/media/MediaFilter.h"

namespace qh::media {
namespace {

class FileBytes : public ByteSource {
 public:
  FileBytes(int fd, LONGLONG size) : fd_(fd), size_(size) {}
  ~FileBytes() override { ::close(fd_); }
  LONGLONG Size() const override { return size_; }
  long ReadAt(LONGLONG offset, void* buffer, long count) override {
    for (;;) {
      const ssize_t got = ::pread(fd_, buffer, static_cast<size_t>(count), static_cast<off_t>(offset));
      if (got >= 0) return static_cast<long>(got);
      if (errno != EINTR) return HRESULT_FROM_ERRNO(errno);
    }
  }

 private:
  int fd_;
  LONGLONG size_;
};

class CFileSource : public CMediaFilter {
 public:
  CFileSource(std::shared_ptr<ByteSource> bytes, const GUID& subtype) : bytes_(std::move(bytes)) {
    CMediaPin* output = AddPin(PINDIR_OUTPUT, "Output");
    PinMediaType type;
    type.majortype = MEDIATYPE_Stream;
    type.subtype = subtype;
    output->Types().push_back(type);
  }
  HRESULT CheckInput(CMediaPin&, CMediaPin&) override { return VFW_E_CANNOT_CONNECT; }
  std::shared_ptr<ByteSource> OutputBytes(CMediaPin&) override { return bytes_; }

 private:
  std::shared_ptr<ByteSource> bytes_;
};

// An MPEG audio file starts with an ID3v2 tag or a frame sync.
bool LooksLikeMpegAudio(const unsigned char* head, long size) {
  if (size >= 3 && std::memcmp(head, "ID3", 3) == 0) return true;
  for (long i = 0; i + 1 < size; ++i)
    if (head[i] == 0xFF && (head[i + 1] & 0xE0) == 0xE0) return true;
  return false;
}

}  // namespace

IBaseFilter* NewFileSource(const CString& path, HRESULT& result) {
  const std::string host = HostPathOf(path);
  const int fd = host.empty() ? -1 : ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    result = HRESULT_FROM_ERRNO(host.empty() ? ENOENT : errno);
    return nullptr;
  }
  const off_t size = ::lseek(fd, 0, SEEK_END);
  auto bytes = std::make_shared<FileBytes>(fd, size < 0 ? 0 : size);
  unsigned char head[4096] = {};
  const long got = bytes->ReadAt(0, head, sizeof(head));
  GUID subtype;
  if (got >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0) {
    subtype = MEDIASUBTYPE_WAVE;
  } else if (got > 0 && LooksLikeMpegAudio(head, got)) {
    subtype = MEDIASUBTYPE_MPEG1Audio;
  } else {
    result = VFW_E_UNKNOWN_FILE_TYPE;
    return nullptr;
  }
  result = S_OK;
  return new CFileSource(std::move(bytes), subtype);
}

}  // namespace qh::media
