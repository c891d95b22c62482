#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/core/File.h"
#include "platform/core/FileApi.h"
#include "platform/core/tests/files/FolderTest.h"
#include "platform/core/testing/TestSandbox.h"

using qh::testing::ReadHostFile;
using qh::testing::WriteHostFile;

namespace {

using FileTest = QuaverhouseFolderTest;

// Runs `body` and returns the cause of the CFileException it throws (-1 when it throws none).
template <class Body>
int CauseOf(Body body, LONG* osError = nullptr) {
  try {
    body();
  } catch (CFileException* error) {
    int cause = error->m_cause;
    if (osError) *osError = error->m_lOsError;
    error->Delete();
    return cause;
  }
  return -1;
}

}  // namespace

TEST_F(FileTest, TextModeWritesCrLfAndReadsLinesBack) {
  {
    CStdioFile file;
    ASSERT_TRUE(file.Open("C:\\Quaverhouse\\jbstartup.xml", CFile::modeCreate | CFile::modeWrite | CFile::typeText));
    file.WriteString("<?xml version=\"1.0\"?>\n");
    file.WriteString("<actionList>\n\n</actionList>\n");
    file.WriteString("no newline");
    file.Close();
  }
  EXPECT_EQ(ReadHostFile(C("Quaverhouse/jbstartup.xml")),
            "<?xml version=\"1.0\"?>\r\n<actionList>\r\n\r\n</actionList>\r\nno newline");

  CStdioFile file("C:\\Quaverhouse\\jbstartup.xml", CFile::modeRead | CFile::shareDenyWrite);
  std::vector<std::string> lines;
  CString line;
  while (file.ReadString(line)) lines.push_back(line.str());
  EXPECT_EQ(lines, (std::vector<std::string>{"<?xml version=\"1.0\"?>", "<actionList>", "", "</actionList>",
                                             "no newline"}));
  EXPECT_FALSE(file.ReadString(line));
}

TEST_F(FileTest, LinesEndingInLfOnlyReadTheSameAndBinaryModeKeepsBytes) {
  WriteHostFile(C("Quaverhouse/mixed.txt"), "unix\nwindows\r\nlone\rcr\n");
  CStdioFile file("C:\\Quaverhouse\\mixed.txt", CFile::modeRead);
  CString line;
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "unix");
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "windows");
  ASSERT_TRUE(file.ReadString(line));
  EXPECT_EQ(line, "lone\rcr");
  EXPECT_FALSE(file.ReadString(line));

  // The buffer form keeps "\n" and stops at the buffer's size.
  file.SeekToBegin();
  char buffer[8];
  ASSERT_NE(file.ReadString(buffer, sizeof buffer), nullptr);
  EXPECT_STREQ(buffer, "unix\n");
  ASSERT_NE(file.ReadString(buffer, 5), nullptr);
  EXPECT_STREQ(buffer, "wind");
  EXPECT_EQ(file.GetPosition(), 9u);  // positions count the bytes of the file

  CStdioFile binary;
  ASSERT_TRUE(binary.Open("C:\\Quaverhouse\\binary.txt", CFile::modeCreate | CFile::modeWrite | CFile::typeBinary));
  binary.WriteString("a\nb\n");
  binary.Close();
  EXPECT_EQ(ReadHostFile(C("Quaverhouse/binary.txt")), "a\nb\n");
}

TEST_F(FileTest, SeeksAndLengthsAreSixtyFourBit) {
  const ULONGLONG fiveGiB = 5ULL << 30;
  CFile file;
  ASSERT_TRUE(file.Open("C:\\Quaverhouse\\big.bin", CFile::modeCreate | CFile::modeReadWrite));
  EXPECT_EQ(file.Seek(static_cast<LONGLONG>(fiveGiB), CFile::begin), fiveGiB);
  file.Write("TAIL", 4);
  EXPECT_EQ(file.GetLength(), fiveGiB + 4);
  EXPECT_EQ(file.GetPosition(), fiveGiB + 4);
  EXPECT_EQ(file.Seek(-4, CFile::end), fiveGiB);
  char tail[4];
  EXPECT_EQ(file.Read(tail, 4), 4u);
  EXPECT_EQ(std::string(tail, 4), "TAIL");
  EXPECT_EQ(file.Read(tail, 4), 0u);  // the end of the file reads nothing
  EXPECT_EQ(file.Seek(-(1LL << 32), CFile::current), fiveGiB + 4 - (1ULL << 32));
  file.SetLength(6ULL << 30);
  EXPECT_EQ(file.GetLength(), 6ULL << 30);
  EXPECT_EQ(file.SeekToEnd(), 6ULL << 30);

  LONG osError = 0;
  EXPECT_EQ(CauseOf([&] { file.Seek(-1, CFile::begin); }, &osError), CFileException::badSeek);
  EXPECT_EQ(osError, static_cast<LONG>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(file.GetPosition(), 6ULL << 30);  // a refused seek leaves the position alone
  file.Close();
  EXPECT_FALSE(file.IsOpen());
}

TEST_F(FileTest, OpenFailuresFillTheExceptionOrThrowIt) {
  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open("C:\\Quaverhouse\\missing.wav", CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
  EXPECT_EQ(error.m_lOsError, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(error.m_strFileName, "C:\\Quaverhouse\\missing.wav");
  char message[256];
  ASSERT_TRUE(error.GetErrorMessage(message, sizeof message));
  EXPECT_NE(std::string(message).find("C:\\Quaverhouse\\missing.wav"), std::string::npos);

  EXPECT_FALSE(file.Open("C:\\Nowhere\\x.wav", CFile::modeCreate | CFile::modeWrite, &error));
  EXPECT_EQ(error.m_cause, CFileException::badPath);
  EXPECT_FALSE(file.Open("C:\\Quaverhouse", CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, CFileException::accessDenied);
  EXPECT_FALSE(file.Open(nullptr, CFile::modeRead));

  EXPECT_EQ(CauseOf([] { CFile thrown("C:\\Quaverhouse\\missing.wav", CFile::modeRead); }), CFileException::fileNotFound);
  EXPECT_EQ(CauseOf([] { CFile::Remove("C:\\Quaverhouse\\missing.wav"); }), CFileException::fileNotFound);
  EXPECT_EQ(CauseOf([] { CFile::Rename("C:\\Quaverhouse\\missing.wav", "C:\\Quaverhouse\\b.wav"); }),
            CFileException::fileNotFound);
  EXPECT_EQ(CauseOf([&] { file.Read(message, 1); }), CFileException::invalidFile);

  // A read-only file is not opened for writing, whoever runs the program.
  WriteHostFile(C("Quaverhouse/locked.wav"), "keep");
  ASSERT_TRUE(SetFileAttributes("C:\\Quaverhouse\\locked.wav", FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(file.Open("C:\\Quaverhouse\\locked.wav", CFile::modeCreate | CFile::modeWrite, &error));
  EXPECT_EQ(error.m_cause, CFileException::accessDenied);
  EXPECT_EQ(ReadHostFile(C("Quaverhouse/locked.wav")), "keep");
}

TEST_F(FileTest, CreateTruncatesUnlessNoTruncateAndPathsKeepTheSystemsForm) {
  WriteHostFile(C("Quaverhouse/DbCheck.txt"), "old report");
  {
    CFile keep("c:/quaverhouse/DBCHECK.TXT", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
    EXPECT_EQ(keep.GetLength(), 10u);
    EXPECT_EQ(keep.GetFilePath(), "C:\\quaverhouse\\DBCHECK.TXT");
    EXPECT_EQ(keep.GetFileName(), "DBCHECK.TXT");
    keep.SeekToEnd();
    keep.Write("!", 1);
  }
  EXPECT_EQ(ReadHostFile(C("Quaverhouse/DbCheck.txt")), "old report!");
  {
    CFile fresh("C:\\Quaverhouse\\DbCheck.txt", CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive);
    fresh.Write("new", 3);
    fresh.Flush();
  }
  EXPECT_EQ(ReadHostFile(C("Quaverhouse/DbCheck.txt")), "new");

  CFileStatus status;
  ASSERT_TRUE(CFile::GetStatus("C:\\Quaverhouse\\dbcheck.txt", status));
  struct stat st {};
  ASSERT_EQ(stat(C("Quaverhouse/DbCheck.txt").c_str(), &st), 0);
  EXPECT_EQ(status.m_size, 3u);
  EXPECT_EQ(status.m_mtime.GetTime(), st.st_mtime);
  EXPECT_EQ(status.m_attribute, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_STREQ(status.m_szFullName, "C:\\Quaverhouse\\dbcheck.txt");
  EXPECT_FALSE(CFile::GetStatus("C:\\Quaverhouse\\none.txt", status));

  CFile::Rename("C:\\Quaverhouse\\DbCheck.txt", "C:\\Quaverhouse\\Old.txt");
  CFile::Remove("C:\\Quaverhouse\\Old.txt");
  EXPECT_FALSE(std::filesystem::exists(C("Quaverhouse/Old.txt")));
}

TEST_F(FileTest, ShareModesHoldBetweenOpens) {
  WriteHostFile(C("Quaverhouse/song.wav"), "RIFF");
  const char* path = "C:\\Quaverhouse\\song.wav";
  struct Case {
    const char* what;
    UINT first;
    UINT second;
    bool secondOpens;
  };
  const Case cases[] = {
      {"readers that deny writing share", CFile::modeRead | CFile::shareDenyWrite,
       CFile::modeRead | CFile::shareDenyWrite, true},
      {"a reader that denies writing keeps writers out", CFile::modeRead | CFile::shareDenyWrite,
       CFile::modeWrite | CFile::shareDenyNone, false},
      {"a writer keeps out who denies writing", CFile::modeReadWrite | CFile::shareDenyNone,
       CFile::modeRead | CFile::shareDenyWrite, false},
      {"exclusive keeps readers out", CFile::modeWrite | CFile::shareExclusive, CFile::modeRead | CFile::shareDenyNone,
       false},
      {"exclusive is refused while a reader is open", CFile::modeRead | CFile::shareDenyNone,
       CFile::modeRead | CFile::shareExclusive, false},
      {"deny none shares with writers", CFile::modeRead | CFile::shareDenyNone,
       CFile::modeReadWrite | CFile::shareDenyNone, true},
      {"deny read keeps readers out", CFile::modeWrite | CFile::shareDenyRead, CFile::modeRead | CFile::shareDenyNone,
       false},
      {"deny read lets writers in", CFile::modeWrite | CFile::shareDenyRead, CFile::modeWrite | CFile::shareDenyNone,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CFile first;
    ASSERT_TRUE(first.Open(path, c.first));
    CFile second;
    CFileException error;
    EXPECT_EQ(second.Open(path, c.second, &error), c.secondOpens ? TRUE : FALSE);
    if (!c.secondOpens) {
      EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
      EXPECT_EQ(error.m_lOsError, static_cast<LONG>(ERROR_SHARING_VIOLATION));
    }
    second.Abort();
    first.Close();
    // Once the first is closed the second opens.
    EXPECT_TRUE(second.Open(path, c.second));
  }
}

TEST_F(FileTest, AnExclusiveOpenInAnotherProcessKeepsOpensOutAndLosesNothing) {
  WriteHostFile(C("Quaverhouse/Quaverhouse.qhd"), "database");
  const char* path = "C:\\Quaverhouse\\Quaverhouse.qhd";
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CFile held;
    char byte = held.Open(path, CFile::modeReadWrite | CFile::shareExclusive) ? 'y' : 'n';
    (void)!write(ready[1], &byte, 1);
    (void)!read(release[0], &byte, 1);
    _exit(0);
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'y');

  CFile file;
  CFileException error;
  EXPECT_FALSE(file.Open(path, CFile::modeRead | CFile::shareDenyNone, &error));
  EXPECT_EQ(error.m_cause, CFileException::sharingViolation);
  // Creating over a held file fails before anything is truncated.
  EXPECT_FALSE(file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyNone, &error));
  EXPECT_EQ(ReadHostFile(C("Quaverhouse/Quaverhouse.qhd")), "database");

  ASSERT_EQ(write(release[1], "x", 1), 1);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(file.Open(path, CFile::modeRead | CFile::shareDenyWrite));
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}
