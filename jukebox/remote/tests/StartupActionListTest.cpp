// The start-up action file: reading it into the list, writing the options page's list back, the text
// that runs ten seconds after start, and what failures leave behind.
#include "jukebox/remote/StartupActionList.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "jukebox/remote/tests/RemoteFilesTestSupport.h"

namespace remote_files_test {
namespace {

struct ArgumentView {
  std::string name;
  int direction;
  std::string value;
  long sequence;
  std::string hostVar;
  bool operator==(const ArgumentView&) const = default;
};

std::vector<ArgumentView> Arguments(CRemoteAction& action) {
  std::vector<ArgumentView> views;
  EXPECT_TRUE(action.BeginArguments());
  while (CActionArgument* argument = action.NextArgument())
    views.push_back({argument->GetName().str(), argument->GetDirection(), argument->GetString().str(),
                     argument->GetSequence(), argument->GetHostVar().str()});
  action.EndArguments();
  return views;
}

std::unique_ptr<CRemoteAction> MakeAction(const char* name, LONG zone,
                                          std::initializer_list<std::tuple<const char*, BYTE, const char*>> arguments) {
  auto action = std::make_unique<CRemoteAction>();
  action->SetName(name);
  action->SetSubDevice(zone);
  action->SetTransID(77);
  action->SetActionID(5);
  for (const auto& [argumentName, direction, value] : arguments) {
    auto argument = new CActionArgument();
    argument->SetName(argumentName);
    argument->SetDirection(direction);
    argument->SetString(value);
    argument->SetSequence(9);
    argument->SetHostVar("hv");
    action->AddArgument(argumentName, argument);
  }
  return action;
}

class StartupActionListTest : public RemoteFilesTest {
 protected:
  int Read(const std::string& document) {
    WriteStartFile("config/jbstartup.xml", document);
    return list.ReadXMLActionList(kStart);
  }
  CRemoteAction& At(int key) { return *list.Actions().at(key); }
  CStartupActionList list;
};

TEST_F(StartupActionListTest, NoFileLeavesTheListEmpty) {
  EXPECT_EQ(list.ReadXMLActionList(kStart), -2);
  EXPECT_TRUE(list.Actions().empty());
  CString text;
  EXPECT_EQ(CStartupActionList::ReadFileText(kStart, text), -1);
  EXPECT_TRUE(services.log.empty());
}

TEST_F(StartupActionListTest, ActionsAreReadInFileOrderWithTheirFieldsByKeywordPrefix) {
  ASSERT_EQ(Read("<?xml version=\"1.0\"?><actionList>"
                 "<action><ACTIONNAMEX>SongLoadByPlaylist</ACTIONNAMEX><transid>3</transid><actionId>12abc</actionId>"
                 "<SubDevice>2</SubDevice>"
                 "<argument><Name>Playlist</Name><value> Happy &amp; &lt;Hour&gt; </value><direction>input</direction>"
                 "<seq>4</seq><hostvar>ignored</hostvar></argument>"
                 "<ARGUMENTS><NAME>Result</NAME><VALUE>x</VALUE><DIRECTION>InOut</DIRECTION><HOSTVAR>hv</HOSTVAR>"
                 "<SEQ>-3</SEQ></ARGUMENTS>"
                 "<argument><NAME>Odd</NAME><DIRECTION>sideways</DIRECTION></argument>"
                 "<argument><NAME>Back</NAME><DIRECTION>out</DIRECTION><HOSTVAR>ret</HOSTVAR></argument>"
                 "<argument><VALUE>no name</VALUE></argument>"
                 "</action>"
                 "<wrapper><action><transID>1</transID></action></wrapper>"
                 "<Action><ACTIONNAME>NotAnAction</ACTIONNAME></Action>"
                 "</actionList>"),
            0);
  ASSERT_EQ(list.Actions().size(), 2u);
  CRemoteAction& first = At(1);
  EXPECT_EQ(first.GetName().str(), "SongLoadByPlaylist");
  EXPECT_EQ(first.GetTransID(), 3);
  EXPECT_EQ(first.GetActionID(), 12);
  EXPECT_EQ(first.GetSubDevice(), 2);
  EXPECT_EQ(Arguments(first),
            (std::vector<ArgumentView>{{"Back", ARG_DIRECTION_OUT, "", 0, "ret"},
                                       {"Odd", ARG_DIRECTION_NONE, "", 0, ""},
                                       {"Playlist", ARG_DIRECTION_IN, "Happy & <Hour>", 4, ""},
                                       {"Result", ARG_DIRECTION_INOUT, "x", 0, "hv"}}));
  // An action without a name is still an entry, and still walkable.
  EXPECT_EQ(At(2).GetName().str(), "");
  EXPECT_EQ(At(2).GetTransID(), 1);
  EXPECT_TRUE(Arguments(At(2)).empty());
}

TEST_F(StartupActionListTest, AWrittenListReadsBackWithTheSameMeaning) {
  StartupActionMap edited;
  edited[3] = MakeAction("SongLoadByPlaylist", 1, {{"Playlist", ARG_DIRECTION_IN, "Rock & <Roll>"},
                                                    {"ask", ARG_DIRECTION_INOUT, "both"}});
  edited[1] = MakeAction("SetVolumeAbsolute", 0, {{"Volume", ARG_DIRECTION_IN, "40"},
                                                   {"NewVolume", ARG_DIRECTION_OUT, ""}});
  edited[7] = nullptr;
  ASSERT_EQ(list.WriteStartupActionsXml(kStart, edited), 0);
  // The list now holds copies under the page's keys; the page's objects are untouched.
  ASSERT_EQ(list.Actions().size(), 2u);
  EXPECT_NE(list.Actions().at(3).get(), edited[3].get());
  EXPECT_EQ(At(1).GetName().str(), "SetVolumeAbsolute");

  const std::string text = ReadStartFile("config/jbstartup.xml");
  EXPECT_EQ(std::system(("xmllint --noout '" + StartHostPath("config/jbstartup.xml") + "'").c_str()), 0);
  EXPECT_EQ(text.find("\n"), text.find("\r\n") + 1) << "lines end CR LF";
  EXPECT_TRUE(std::regex_search(
      text, std::regex("^<\\?xml version=\"1.0\" encoding=\"iso-8859-1\"\\?>\r\n<!-- Last updated "
                       "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4} -->\r\n<actionList>\r\n")));
  EXPECT_NE(text.find("      <value>Rock &amp; &lt;Roll&gt;</value>\r\n"), std::string::npos);
  EXPECT_NE(text.find("  <action>\r\n    <actionName>SetVolumeAbsolute</actionName>\r\n    <transID>1</transID>\r\n"
                      "    <actionID>100</actionID>\r\n    <subDevice>0</subDevice>\r\n    <argument>\r\n"
                      "      <name>NewVolume</name>\r\n      <direction>out</direction>\r\n"),
            std::string::npos);
  EXPECT_EQ(text.find("hv"), std::string::npos);
  EXPECT_EQ(text.find("seq"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 15), "</actionList>\r\n");

  CStartupActionList reread;
  ASSERT_EQ(reread.ReadXMLActionList(kStart), 0);
  ASSERT_EQ(reread.Actions().size(), 2u);
  CRemoteAction& volume = *reread.Actions().at(1);
  CRemoteAction& playlist = *reread.Actions().at(2);
  EXPECT_EQ(volume.GetName().str(), "SetVolumeAbsolute");
  EXPECT_EQ(volume.GetTransID(), 1);
  EXPECT_EQ(volume.GetActionID(), 100);
  EXPECT_EQ(playlist.GetActionID(), 101);
  EXPECT_EQ(playlist.GetSubDevice(), 1);
  EXPECT_EQ(Arguments(volume), (std::vector<ArgumentView>{{"NewVolume", ARG_DIRECTION_OUT, "", 0, ""},
                                                           {"Volume", ARG_DIRECTION_IN, "40", 0, ""}}));
  EXPECT_EQ(Arguments(playlist), (std::vector<ArgumentView>{{"ask", ARG_DIRECTION_IN, "both", 0, ""},
                                                             {"Playlist", ARG_DIRECTION_IN, "Rock & <Roll>", 0, ""}}));
}

TEST_F(StartupActionListTest, AnEmptyListWritesAnEmptyActionList) {
  ASSERT_EQ(Read("<actionList><action><actionName>XportPlay</actionName></action></actionList>"), 0);
  ASSERT_EQ(list.WriteStartupActionsXml(kStart, StartupActionMap{}), 0);
  EXPECT_TRUE(list.Actions().empty());
  const std::string text = ReadStartFile("config/jbstartup.xml");
  EXPECT_NE(text.find("-->\r\n<actionList>\r\n</actionList>\r\n"), std::string::npos);
  EXPECT_EQ(list.ReadXMLActionList(kStart), 0);
  EXPECT_TRUE(list.Actions().empty());
}

TEST_F(StartupActionListTest, AFileThatCannotBeWrittenIsReportedAndTheOldFileStays) {
  StartupActionMap edited;
  edited[1] = MakeAction("XportPlay", 0, {});
  // "config" is a file, not a folder: nothing can be written.
  WriteStartFile("config", "not a folder");
  EXPECT_NE(list.WriteStartupActionsXml(kStart, edited), 0);
  EXPECT_EQ(list.Actions().size(), 1u) << "the list is replaced all the same";
  std::filesystem::remove(StartHostPath("config"));

  // A read-only file is not replaced, and not cut off either.
  const std::string old = "<actionList><action><actionName>XportStop</actionName></action></actionList>";
  WriteStartFile("config/jbstartup.xml", old);
  ASSERT_EQ(::chmod(StartHostPath("config/jbstartup.xml").c_str(), 0444), 0);
  EXPECT_NE(list.WriteStartupActionsXml(kStart, edited), 0);
  EXPECT_EQ(ReadStartFile("config/jbstartup.xml"), old);
  EXPECT_FALSE(std::filesystem::exists(StartHostPath("config/jbstartup.xml.new")));
}

TEST_F(StartupActionListTest, AnUnreadableFileIsReportedAndKeptAsideWhenTheListIsWritten) {
  const std::string broken = "<actionList><action><actionName>XportPlay</actionName></actionList>";
  EXPECT_EQ(Read(broken), -2);
  EXPECT_TRUE(list.Actions().empty());
  ASSERT_EQ(services.log.size(), 1u);
  EXPECT_NE(services.log[0].text.find("ReadXMLActionList: C:\\Jukebox\\config\\jbstartup.xml cannot be read"),
            std::string::npos);
  StartupActionMap edited;
  edited[1] = MakeAction("XportStop", 0, {});
  ASSERT_EQ(list.WriteStartupActionsXml(kStart, edited), 0);
  EXPECT_EQ(ReadStartFile("config/jbstartup.xml.bad"), broken);
  EXPECT_NE(ReadStartFile("config/jbstartup.xml").find("XportStop"), std::string::npos);
  // A later write has nothing more to keep aside.
  WriteStartFile("config/jbstartup.xml.bad", "older");
  ASSERT_EQ(list.WriteStartupActionsXml(kStart, edited), 0);
  EXPECT_EQ(ReadStartFile("config/jbstartup.xml.bad"), "older");
}

TEST_F(StartupActionListTest, TheTextToRunHasSingleLineFeeds) {
  WriteStartFile("config/jbstartup.xml", "<actionList>\r\n<action/>\r\n</actionList>\r\n");
  CString text;
  ASSERT_EQ(CStartupActionList::ReadFileText(kStart, text), 0);
  EXPECT_EQ(text.str(), "<actionList>\n<action/>\n</actionList>\n");
}

TEST_F(StartupActionListTest, AnOversizedFileIsNotRun) {
  WriteStartFile("config/jbstartup.xml", std::string(CStartupActionList::kMaxFileSize + 1, ' '));
  CString text;
  EXPECT_EQ(CStartupActionList::ReadFileText(kStart, text), -1);
  ASSERT_EQ(services.log.size(), 1u);
  EXPECT_NE(services.log[0].text.find("too large"), std::string::npos);
}

TEST_F(StartupActionListTest, FreeStartupActionsEmptiesTheList) {
  ASSERT_EQ(Read("<actionList><action><actionName>XportPlay</actionName></action></actionList>"), 0);
  list.FreeStartupActions();
  EXPECT_TRUE(list.Actions().empty());
  list.FreeStartupActions();
  EXPECT_TRUE(list.Actions().empty());
}

}  // namespace
}  // namespace remote_files_test
