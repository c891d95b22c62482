#include <gtest/gtest.h>

#include <cerrno>

#include "platform/sock/WinSock2.h"

namespace {

struct ErrnoCase {
  int hostErrno;
  int expected;
};

class ErrnoMapping : public testing::TestWithParam<ErrnoCase> {};

TEST_P(ErrnoMapping, HostErrorReadsAsPlatformNumber) {
  errno = GetParam().hostErrno;
  EXPECT_EQ(WSAGetLastError(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ErrnoMapping,
                         testing::Values(ErrnoCase{0, 0}, ErrnoCase{EAGAIN, 10035}, ErrnoCase{EWOULDBLOCK, 10035},
                                         ErrnoCase{EINPROGRESS, 10035}, ErrnoCase{ENETDOWN, 10050},
                                         ErrnoCase{ENETUNREACH, 10051}, ErrnoCase{ENETRESET, 10052},
                                         ErrnoCase{ECONNABORTED, 10053}, ErrnoCase{ECONNRESET, 10054},
                                         ErrnoCase{EPIPE, 10054}, ErrnoCase{EISCONN, 10056},
                                         ErrnoCase{ENOTCONN, 10057}, ErrnoCase{ECONNREFUSED, 10061},
                                         ErrnoCase{EHOSTUNREACH, 10065}, ErrnoCase{EADDRINUSE, 10048},
                                         ErrnoCase{ENOTSOCK, 10038}, ErrnoCase{ENOTRECOVERABLE, 10107}));

TEST(WsaLastError, StoredNumberIsReadBackUntilAHostCallFails) {
  WSASetLastError(WSAECONNRESET);
  EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
  WSASetLastError(WSA_INVALID_HANDLE);  // no host errno stands for it
  EXPECT_EQ(WSAGetLastError(), WSA_INVALID_HANDLE);
  errno = ECONNREFUSED;  // a later host failure replaces it
  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
  WSASetLastError(0);
  EXPECT_EQ(WSAGetLastError(), 0);
}

TEST(WsaStartup, VersionTwoIsOffered) {
  WSADATA data;
  EXPECT_EQ(WSAStartup(MAKEWORD(2, 0), &data), 0);
  EXPECT_EQ(data.wVersion, MAKEWORD(2, 0));
  EXPECT_EQ(WSAStartup(MAKEWORD(2, 0), nullptr), WSAEFAULT);
  EXPECT_EQ(WSACleanup(), 0);
}

}  // namespace
