#include <gtest/gtest.h>

#include <filesystem>

#include "platform/core/NamedMutex.h"
#include "platform/core/tests/sys/SysTestSupport.h"

namespace {

using qh::testing::HelperProcess;
using qh::testing::ScopedEnv;
using qh::testing::TempFolder;

class NamedMutex : public ::testing::Test {
 protected:
  TempFolder folder_;
  ScopedEnv lockDir_{"QH_LOCK_DIR", folder_.Path()};
};

TEST_F(NamedMutex, LiveHolderInAnotherProcessKeepsTheNameAndAKilledOneFreesIt) {
  HelperProcess holder({"hold-mutex", "QuaverhouseGlobalMutex"});
  ASSERT_EQ(holder.ReadLine(), "held");

  HANDLE mutex = CreateMutex(nullptr, TRUE, "QUAVERHOUSEGLOBALMUTEX");  // names compare without case
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(ReleaseMutex(mutex));  // not granted, so not ours to release
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
  CloseHandle(mutex);

  holder.Kill();
  mutex = CreateMutex(nullptr, TRUE, "QuaverhouseGlobalMutex");
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

  HelperProcess second({"hold-mutex", "quaverhouseglobalmutex"});
  EXPECT_EQ(second.ReadLine(), "exists");

  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_FALSE(ReleaseMutex(mutex));  // released once only
  HelperProcess third({"hold-mutex", "QuaverhouseGlobalMutex"});
  EXPECT_EQ(third.ReadLine(), "held");  // released, though the handle is still open here
  CloseHandle(mutex);
}

TEST_F(NamedMutex, SecondHandleInTheSameProcessSeesTheNameHeld) {
  HANDLE first = CreateMutex(nullptr, TRUE, "Trackwright");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE second = CreateMutex(nullptr, TRUE, "Trackwright");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(second);
  CloseHandle(first);  // closing the holder frees the name
  HANDLE third = CreateMutex(nullptr, FALSE, "Trackwright");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(third);
}

TEST_F(NamedMutex, NamesFromOutsideStayInsideTheLockFolder) {
  for (const char* name : {"..\\..\\escape", "../../escape", "/etc/passwd", "a/b", "..", "Caf\xE9"}) {
    HANDLE mutex = CreateMutex(nullptr, TRUE, name);
    ASSERT_NE(mutex, nullptr) << name;
    CloseHandle(mutex);
  }
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
    EXPECT_TRUE(entry.is_regular_file()) << entry.path();
    ++files;
  }
  EXPECT_EQ(files, 6);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder_.Path()).parent_path() / "escape.lock"));
  EXPECT_EQ(qh::LockFileNameFor("Caf\xC9"), qh::LockFileNameFor("caf\xE9"));
}

TEST_F(NamedMutex, LockFolderThatIsNotADirectoryIsRefused) {
  const std::string notAFolder = folder_.Path() + "/file";
  FILE* file = fopen(notAFolder.c_str(), "w");
  ASSERT_NE(file, nullptr);
  fclose(file);
  ScopedEnv lockDir("QH_LOCK_DIR", notAFolder);
  EXPECT_EQ(CreateMutex(nullptr, TRUE, "x"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(UnnamedMutex, CreateMutexWithoutNameIsAnInProcessMutex) {
  HANDLE mutex = CreateMutex(nullptr, TRUE, nullptr);
  ASSERT_NE(mutex, nullptr);
  EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);  // recursive for the owner
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_TRUE(ReleaseMutex(mutex));
  EXPECT_FALSE(ReleaseMutex(mutex));
  EXPECT_TRUE(CloseHandle(mutex));
  EXPECT_FALSE(ReleaseMutex(mutex));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
