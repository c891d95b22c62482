// Feeds arbitrary bytes to the HTTP message reader of a connection, split into pieces the way a
// socket might deliver them, and checks what it promises: a complete message has exactly its
// Content-Length of body, the reader never reads past a refused message, and it never runs away.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netlib/HttpParser.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the piece size (1 to 64 bytes) and whether uploads are taken.
  const size_t piece = (data[0] & 0x3F) + 1;
  const bool uploads = (data[0] & 0x40) != 0;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const size_t length = size - 1;

  HttpParseLimits limits;
  limits.maxBody = 4096;
  limits.maxUpload = 8192;
  CHttpMessageParser parser(limits);
  size_t uploaded = 0;
  if (uploads) {
    HttpUploadSink sink;
    sink.open = [&uploaded](const CString& url) {
      uploaded = 0;
      return !url.IsEmpty();
    };
    sink.write = [&uploaded](const char*, size_t count) {
      uploaded += count;
      return true;
    };
    sink.close = [](bool) {};
    parser.SetUploadSink(sink);
  }

  using Status = CHttpMessageParser::Status;
  Status status = parser.NextMessage();
  size_t offset = 0;
  int messages = 0;
  while (true) {
    if (status == Status::Complete) {
      ++messages;
      if (parser.IsUpload()) {
        Check(uploaded == static_cast<size_t>(parser.ContentLength()));
        Check(parser.ContentLength() <= limits.maxUpload);
      } else {
        Check(parser.Body().size() == static_cast<size_t>(parser.ContentLength()) || parser.ContentLength() == 0);
        Check(parser.Body().size() <= static_cast<size_t>(limits.maxBody));
      }
      RequestParamMap pairs;
      DecodeFormPairs(parser.Body(), pairs);
      Check(messages <= static_cast<int>(length) + 1);
      status = parser.NextMessage();
      continue;
    }
    if (status == Status::Invalid) {
      Check(parser.GetFault() != CHttpMessageParser::Fault::None);
      Check(parser.NextMessage() == Status::Invalid);  // a refused stream stays refused
      break;
    }
    if (offset >= length) {
      status = parser.EndOfStream();
      Check(status != Status::NeedMore);
      if (status == Status::Complete) continue;
      break;
    }
    size_t take = length - offset < piece ? length - offset : piece;
    status = parser.Feed(bytes + offset, take);
    offset += take;
  }
  PercentDecode(std::string_view(bytes, length));
  return 0;
}
