// The options sheet's Startup page as staff use it: the start-up list shown, commands added through the
// command and argument dialogs, edited and deleted, values refused when they do not fit their type,
// and the list written out only after an OK that changed it.
#include <deque>
#include <filesystem>
#include <functional>

#include "jukebox/app/dialogs/ChooseCmdDlg.h"
#include "jukebox/app/dialogs/DlgOptMain.h"
#include "jukebox/app/dialogs/EditCmdArgsDlg.h"
#include "jukebox/app/dialogs/tests/MediaDialogsTestSupport.h"
#include "jukebox/remote/RemoteDefinitions.h"
#include "platform/ui/Input.h"

namespace media_dialogs_test {
namespace {

constexpr int kStartupPage = 5;
constexpr int kColumns = 4;
using Rows = std::vector<std::vector<std::string>>;

class StartupPageTest : public MediaDialogsTest {
 protected:
  void SetUp() override {
    MediaDialogsTest::SetUp();
    // The jukebox's own definition as it ships.
    const std::string name = std::string(COwnDeviceDefinition::kOwnDeviceId) + ".xml";
    std::filesystem::create_directories(Host("C/sysdevices"));
    std::filesystem::copy_file(std::string(QH_TEST_SOURCE_DIR) + "/resources/jukebox/sysdevices/" + name,
                               Host("C/sysdevices/" + name));
    qh::ui::SetDialogAnswerer([this](CWnd& window) {
      Settle();
      if (auto* sheet = dynamic_cast<CDlgOptMain*>(&window)) {
        ASSERT_TRUE(sheetScript) << "the sheet opened without a script";
        sheetScript(*sheet);
      } else if (auto* dialog = dynamic_cast<CDialog*>(&window)) {
        auto& queue = dialogScripts[dialog->m_nTemplateId];
        ASSERT_FALSE(queue.empty()) << "dialog " << dialog->m_nTemplateId << " opened without a script";
        auto script = std::move(queue.front());
        queue.pop_front();
        script(*dialog);
      }
      Settle();
      if (auto* dialog = dynamic_cast<CDialog*>(&window); dialog && dialog->ContinueModal()) {
        ADD_FAILURE() << "a script left its dialog open";
        dialog->EndDialog(IDCANCEL);
      }
    });
  }
  void TearDown() override {
    for (auto& [id, queue] : dialogScripts) EXPECT_TRUE(queue.empty()) << "dialog " << id << " was never shown";
    RemoteDefinitions().ClearDefinitions();
    RemoteDefinitions().FreeStartupActions();
    MediaDialogsTest::TearDown();
  }

  // Reads the definition and the start-up file as start-up does.
  void StartWith(const std::string& startupFile) {
    if (!startupFile.empty()) qh::testing::WriteHostFile(Host("C/config/jbstartup.xml"), startupFile);
    ASSERT_GT(RemoteDefinitions().ParseXMLDeviceDef("C:\\", 4, 0), 0);
    RemoteDefinitions().ReadXMLActionList("C:\\");
  }
  INT_PTR RunSheet() {
    CDlgOptMain sheet;
    sheet.m_startup.m_streamDescriptions = {"Bar", "Terrace"};
    options.cddbServer = "cddb.example.org";
    return sheet.Run(options);
  }
  static CPropertyPage& Startup(CDlgOptMain& sheet) {
    sheet.SetActivePage(kStartupPage);
    Settle();
    return *sheet.GetPage(kStartupPage);
  }
  static void PressOk(CDlgOptMain& sheet) {
    sheet.SendMessage(WM_COMMAND, IDOK);
    Settle();
  }
  // The command dialog chooses `command` (by its place in the definition's name order) for `stream`.
  void ChooseCommand(const char* command, int stream, int button = IDOK) {
    dialogScripts[CChooseCmdDlg::IDD].push_back([=](CDialog& dialog) {
      const std::vector<std::string> commands = ComboEntriesOf(dialog, CChooseCmdDlg::kCommands);
      const auto at = std::find(commands.begin(), commands.end(), command);
      ASSERT_NE(at, commands.end()) << command;
      Choose(dialog, CChooseCmdDlg::kCommands, static_cast<int>(at - commands.begin()));
      Choose(dialog, CChooseCmdDlg::kStreams, stream);
      Click(dialog, button);
    });
  }
  // The argument dialog takes `values` typed in turn into the edits that open row after row.
  void EnterArguments(std::vector<std::string> values, int button = IDOK) {
    dialogScripts[CEditCmdArgsDlg::IDD].push_back([=](CDialog& dialog) {
      for (const std::string& value : values) {
        auto* list = static_cast<CListCtrl*>(dialog.GetDlgItem(CEditCmdArgsDlg::kArguments));
        CEdit* editor = list->GetEditControl();
        ASSERT_NE(editor, nullptr) << "no value is being edited";
        editor->SetWindowText("");
        qh::ui::InjectText(value.c_str());
        PressKey(VK_RETURN);
      }
      Click(dialog, button);
    });
  }

  JukeboxOptions options;
  std::function<void(CDlgOptMain&)> sheetScript;
  std::map<UINT, std::deque<std::function<void(CDialog&)>>> dialogScripts;
};

TEST_F(StartupPageTest, TheStartupListIsTheSheetsLastPage) {
  StartWith("<actionList><action><actionName>SetVolumeAbsolute</actionName><subDevice>1</subDevice></action>"
            "<action><actionName>MadeUpCommand</actionName></action></actionList>");
  sheetScript = [](CDlgOptMain& sheet) {
    EXPECT_EQ(sheet.GetPageCount(), 6);
    CPropertyPage& page = Startup(sheet);
    EXPECT_EQ(page.m_nTemplateId, DlgOptStartup2::IDD);
    EXPECT_EQ(RowsOf(page, DlgOptStartup2::kList, kColumns),
              (Rows{{"1", "2", "SetVolumeAbsolute", "Sets the volume"}, {"2", "1", "MadeUpCommand", "Entered Description"}}));
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  EXPECT_FALSE(options.startupListChanged);
  EXPECT_FALSE(options.writeStartupList);
}

TEST_F(StartupPageTest, ANewCommandTakesTheNumberAfterTheLastRowAndItsTypedValues) {
  StartWith("<actionList><action><actionName>XportPlay</actionName></action>"
            "<action><actionName>XportStop</actionName></action>"
            "<action><actionName>XportPause</actionName></action></actionList>");
  ChooseCommand("SongLoadByAlbum", 1);
  EnterArguments({"House Lights", "The Quavers"});
  ChooseCommand("SetVolumeAbsolute", 0);
  EnterArguments({"35"});
  sheetScript = [](CDlgOptMain& sheet) {
    CPropertyPage& page = Startup(sheet);
    ClickRow(page, DlgOptStartup2::kList, 2);
    Click(page, DlgOptStartup2::kDeleteCommand);
    Click(page, DlgOptStartup2::kNewCommand);  // takes 3 again
    ClickRow(page, DlgOptStartup2::kList, 1);
    Click(page, DlgOptStartup2::kDeleteCommand);
    Click(page, DlgOptStartup2::kNewCommand);  // takes 4: the gap at 2 stays
    EXPECT_EQ(RowsOf(page, DlgOptStartup2::kList, kColumns),
              (Rows{{"1", "1", "XportPlay", "Plays the stream"},
                    {"3", "2", "SongLoadByAlbum", "Loads the songs of an album"},
                    {"4", "1", "SetVolumeAbsolute", "Sets the volume"}}));
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  ASSERT_TRUE(options.startupListChanged);
  ASSERT_TRUE(options.writeStartupList);
  ASSERT_EQ(options.writeStartupList(), 0);

  // What the next start reads.
  CStartupActionList next;
  ASSERT_EQ(next.ReadXMLActionList("C:\\"), 0);
  ASSERT_EQ(next.Actions().size(), 3u);
  CRemoteAction& album = *next.Actions().at(2);
  EXPECT_EQ(album.GetName().str(), "SongLoadByAlbum");
  EXPECT_EQ(album.GetSubDevice(), 1);
  EXPECT_EQ(album.FindArgument("Album")->GetString().str(), "House Lights");
  EXPECT_EQ(album.FindArgument("Artist")->GetString().str(), "The Quavers");
  EXPECT_EQ(next.Actions().at(3)->FindArgument("Volume")->GetString().str(), "35");
  EXPECT_TRUE(RunTool("xmllint --noout '" + Host("C/config/jbstartup.xml") + "'"));
}

TEST_F(StartupPageTest, CancelledDialogsAddNothing) {
  StartWith("");
  ChooseCommand("XportPlay", 0, IDCANCEL);
  ChooseCommand("SetVolumeAbsolute", 1);
  EnterArguments({"20"}, IDCANCEL);
  sheetScript = [](CDlgOptMain& sheet) {
    CPropertyPage& page = Startup(sheet);
    EXPECT_TRUE(RowsOf(page, DlgOptStartup2::kList, kColumns).empty());
    Click(page, DlgOptStartup2::kNewCommand);
    Click(page, DlgOptStartup2::kNewCommand);
    EXPECT_TRUE(RowsOf(page, DlgOptStartup2::kList, kColumns).empty());
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  EXPECT_FALSE(options.startupListChanged);
}

TEST_F(StartupPageTest, EditingWorksOnACopyAndACancelledSheetWritesNothing) {
  StartWith("<actionList><action><actionName>SetVolumeAbsolute</actionName><argument><name>volume</name>"
            "<value>10</value><direction>in</direction></argument></action></actionList>");
  dialogScripts[CEditCmdArgsDlg::IDD].push_back([](CDialog& dialog) {
    EXPECT_EQ(TextOf(dialog, CEditCmdArgsDlg::kSeqNo), "1");
    EXPECT_EQ(TextOf(dialog, CEditCmdArgsDlg::kCommand), "SetVolumeAbsolute");
    EXPECT_EQ(TextOf(dialog, CEditCmdArgsDlg::kDesc), "Sets the volume");
    // The file's "volume" is the definition's "Volume": one row, with the file's value.
    EXPECT_EQ(RowsOf(dialog, CEditCmdArgsDlg::kArguments, 4),
              (Rows{{"10", "volume", "INTEGER (I4)", "Volume in percent, 0 to 100"}}));
    Click(dialog, IDCANCEL);
  });
  EnterArguments({"55"});
  sheetScript = [](CDlgOptMain& sheet) {
    CPropertyPage& page = Startup(sheet);
    ClickRow(page, DlgOptStartup2::kList, 0);
    Click(page, DlgOptStartup2::kEditCommand);
    Click(page, DlgOptStartup2::kEditCommand);
    sheet.SendMessage(WM_COMMAND, IDCANCEL);
  };
  ASSERT_EQ(RunSheet(), IDCANCEL);
  EXPECT_FALSE(options.writeStartupList);
  EXPECT_EQ(RemoteDefinitions().StartupActions().Actions().at(1)->FindArgument("Volume")->GetString().str(), "10");
  EXPECT_FALSE(std::filesystem::exists(Host("C/config/jbstartup.xml.new")));
}

TEST_F(StartupPageTest, AValueThatDoesNotFitItsTypeIsRefused) {
  qh::testing::WriteHostFile(
      Host("C/sysdevices/" + std::string(COwnDeviceDefinition::kOwnDeviceId) + ".xml"),
      "<root><svcVersion><MAJOR>4</MAJOR><MINOR>0</MINOR></svcVersion>"
      "<action><NAME>SetLevels</NAME><DESC>Levels</DESC><ARGUMENTLIST>"
      "<a><NAME>Low</NAME><DATATYPE>ui1</DATATYPE><DIRECTION>in</DIRECTION></a>"
      "<a><NAME>Result</NAME><DATATYPE>ui1</DATATYPE><DIRECTION>out</DIRECTION></a>"
      "<a><NAME>Loud</NAME><DATATYPE>boolean</DATATYPE><DIRECTION>in</DIRECTION></a>"
      "</ARGUMENTLIST></action></root>");
  StartWith("");
  ChooseCommand("SetLevels", 0);
  dialogScripts[CEditCmdArgsDlg::IDD].push_back([](CDialog& dialog) {
    auto* list = static_cast<CListCtrl*>(dialog.GetDlgItem(CEditCmdArgsDlg::kArguments));
    EXPECT_EQ(RowsOf(dialog, CEditCmdArgsDlg::kArguments, 3),
              (Rows{{"[CLICK TO ENTER A VALUE]", "Low", "INTEGER (UI1)"}, {"[CLICK TO ENTER A VALUE]", "Loud", "BOOLEAN"}}));
    ASSERT_NE(list->GetEditControl(), nullptr) << "the first value is edited at once";
    qh::ui::InjectText("300");
    PressKey(VK_RETURN);  // does not fit: refused, no move
    EXPECT_EQ(list->GetItemText(0, 0).str(), "[CLICK TO ENTER A VALUE]");
    EXPECT_EQ(list->GetEditControl(), nullptr);
    PressKey(VK_F2);
    ASSERT_NE(list->GetEditControl(), nullptr);
    list->GetEditControl()->SetWindowText("");
    qh::ui::InjectText("200");
    PressKey(VK_RETURN);
    EXPECT_EQ(list->GetItemText(0, 0).str(), "200");
    ASSERT_NE(list->GetEditControl(), nullptr) << "editing moves on to the next row";
    list->GetEditControl()->SetWindowText("");
    qh::ui::InjectText("yes");
    PressKey(VK_RETURN);
    Click(dialog, IDOK);
  });
  sheetScript = [](CDlgOptMain& sheet) {
    CPropertyPage& page = Startup(sheet);
    Click(page, DlgOptStartup2::kNewCommand);
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  ASSERT_TRUE(options.writeStartupList);
  ASSERT_EQ(options.writeStartupList(), 0);
  CStartupActionList next;
  ASSERT_EQ(next.ReadXMLActionList("C:\\"), 0);
  CRemoteAction& levels = *next.Actions().at(1);
  EXPECT_EQ(levels.FindArgument("Low")->GetString().str(), "200");
  EXPECT_EQ(levels.FindArgument("Loud")->GetString().str(), "1");
  EXPECT_EQ(levels.FindArgument("Result"), nullptr) << "only input arguments are offered";
}

TEST_F(StartupPageTest, WithoutADefinitionNothingCanBeAdded) {
  std::filesystem::remove(Host("C/sysdevices/" + std::string(COwnDeviceDefinition::kOwnDeviceId) + ".xml"));
  dialogScripts[CChooseCmdDlg::IDD].push_back([](CDialog& dialog) {
    EXPECT_TRUE(ComboEntriesOf(dialog, CChooseCmdDlg::kCommands).empty());
    EXPECT_EQ(ComboEntriesOf(dialog, CChooseCmdDlg::kStreams), (std::vector<std::string>{"1 - Bar", "2 - Terrace"}));
    Click(dialog, IDOK);
  });
  sheetScript = [](CDlgOptMain& sheet) {
    CPropertyPage& page = Startup(sheet);
    Click(page, DlgOptStartup2::kNewCommand);
    EXPECT_TRUE(RowsOf(page, DlgOptStartup2::kList, kColumns).empty());
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  EXPECT_FALSE(options.startupListChanged);
  EXPECT_EQ(boxTexts, (std::vector<std::string>{"The jukebox's device definition offers no commands, so none can be added."}));
}

TEST_F(StartupPageTest, ACommandTheDefinitionDoesNotKnowIsKeptButCannotBeEdited) {
  StartWith("<actionList><action><actionName>MadeUpCommand</actionName><argument><name>x</name><value>1</value>"
            "</argument></action></actionList>");
  sheetScript = [](CDlgOptMain& sheet) {
    CPropertyPage& page = Startup(sheet);
    ClickRow(page, DlgOptStartup2::kList, 0);
    Click(page, DlgOptStartup2::kEditCommand);
    PressOk(sheet);
  };
  ASSERT_EQ(RunSheet(), IDOK);
  EXPECT_FALSE(options.startupListChanged);
  EXPECT_EQ(boxTexts, (std::vector<std::string>{"The command \"MadeUpCommand\" is not in the jukebox's device "
                                                "definition, so its arguments cannot be edited."}));
}

}  // namespace
}  // namespace media_dialogs_test
