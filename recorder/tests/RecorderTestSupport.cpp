#include "recorder/tests/RecorderTestSupport.h"

#include <chrono>
#include <thread>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "maintenance/schema/SongDbSchema.h"
#include "platform/ui/gdi/Snapshot.h"
#include "recorder/RecorderResources.h"

namespace qh::recorder::testing {

bool HaveTool(const char* name) { return RunTool(std::string("command -v ") + name + " >/dev/null 2>&1"); }
bool RunTool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool RunUntil(const std::function<bool()>& condition, int seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    Settle();
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void Settle() {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < end) {
    MSG msg;
    if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      if (!qh::ui::PreTranslateThroughFramework(&msg)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
      continue;
    }
    if (!qh::ui::HasRawInput()) return;
    qh::ui::RouteOneRawInput();
  }
}

namespace {
RECT ControlRect(CWnd& dialog, int id) {
  CWnd* control = dialog.GetDlgItem(id);
  EXPECT_NE(control, nullptr) << "no control " << id;
  RECT rect{};
  if (control != nullptr) control->GetClientRect(&rect);
  return rect;
}
}  // namespace

void ClickAt(HWND window, int x, int y) {
  qh::ui::InjectMouseAt(window, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
  qh::ui::InjectMouseAt(window, WM_LBUTTONUP, x, y, 0);
  Settle();
}

void DoubleClickAt(HWND window, int x, int y) {
  ClickAt(window, x, y);
  qh::ui::InjectMouseAt(window, WM_LBUTTONDOWN, x, y, MK_LBUTTON);
  qh::ui::InjectMouseAt(window, WM_LBUTTONUP, x, y, 0);
  Settle();
}

void Click(CWnd& dialog, int id) {
  RECT rect = ControlRect(dialog, id);
  CWnd* control = dialog.GetDlgItem(id);
  ASSERT_TRUE(control != nullptr && control->IsWindowEnabled()) << "control " << id << " cannot be clicked";
  ClickAt(control->m_hWnd, rect.right / 2, rect.bottom / 2);
}

void PressKey(UINT key) {
  qh::ui::InjectKey(key, true);
  qh::ui::InjectKey(key, false);
  Settle();
}

void Type(CWnd& dialog, int id, const std::string& text) {
  CWnd* control = dialog.GetDlgItem(id);
  ASSERT_NE(control, nullptr);
  bool hadFocus = CWnd::GetFocus() == control;
  Click(dialog, id);
  if (hadFocus) {
    PressKey(VK_HOME);
    for (int count = control->GetWindowTextLength(); count > 0; --count) PressKey(VK_DELETE);
  }
  if (text.empty())
    PressKey(VK_DELETE);  // the click selected the whole text
  else
    qh::ui::InjectText(text.c_str());
  Settle();
}

void Choose(CWnd& dialog, int id, const std::string& entry) {
  auto* combo = static_cast<CComboBox*>(dialog.GetDlgItem(id));
  ASSERT_NE(combo, nullptr);
  int index = combo->FindStringExact(-1, entry.c_str());
  ASSERT_GE(index, 0) << "no entry " << entry << " in " << id;
  if ((combo->GetStyle() & 3) == CBS_DROPDOWN) {
    // An editable combo takes the entry's text in its edit, as a user types it.
    CWnd* edit = combo->GetWindow(GW_CHILD);
    ASSERT_NE(edit, nullptr);
    RECT rect{};
    edit->GetClientRect(&rect);
    ClickAt(edit->m_hWnd, rect.right / 2, rect.bottom / 2);
    qh::ui::InjectText(entry.c_str());
    Settle();
    return;
  }
  Click(dialog, id);  // drops the list down and takes the focus
  PressKey(VK_HOME);
  for (int step = 0; step < index; ++step) PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  ASSERT_EQ(index, combo->GetCurSel());
}

void ClickRow(CWnd& dialog, int listId, int row, bool twice) {
  auto* list = static_cast<CListCtrl*>(dialog.GetDlgItem(listId));
  ASSERT_NE(list, nullptr);
  list->EnsureVisible(row, FALSE);
  RECT rect{};
  ASSERT_TRUE(list->GetItemRect(row, &rect, LVIR_BOUNDS));
  int x = rect.left + 6, y = (rect.top + rect.bottom) / 2;
  // A right press first: two single clicks on rows that scrolled to the same spot are not a double click.
  if (!twice) {
    qh::ui::InjectMouseAt(list->m_hWnd, WM_RBUTTONDOWN, x, y, MK_RBUTTON);
    qh::ui::InjectMouseAt(list->m_hWnd, WM_RBUTTONUP, x, y, 0);
  }
  if (twice)
    DoubleClickAt(list->m_hWnd, x, y);
  else
    ClickAt(list->m_hWnd, x, y);
}

void ClickEntry(CWnd& dialog, int listId, int entry) {
  auto* list = static_cast<CListBox*>(dialog.GetDlgItem(listId));
  ASSERT_NE(list, nullptr);
  RECT rect{};
  ASSERT_NE(LB_ERR, list->GetItemRect(entry, &rect));
  ClickAt(list->m_hWnd, rect.left + 4, (rect.top + rect.bottom) / 2);
}

std::string TextOf(CWnd& dialog, int id) {
  CString text;
  dialog.GetDlgItemText(id, text);
  return text.str();
}

std::vector<std::vector<std::string>> RowsOf(CWnd& dialog, int listId, int columns) {
  auto* list = static_cast<CListCtrl*>(dialog.GetDlgItem(listId));
  std::vector<std::vector<std::string>> rows;
  for (int row = 0; list != nullptr && row < list->GetItemCount(); ++row) {
    std::vector<std::string> cells;
    for (int column = 0; column < columns; ++column) cells.push_back(list->GetItemText(row, column).str());
    rows.push_back(cells);
  }
  return rows;
}

std::vector<std::string> EntriesOf(CWnd& dialog, int listId) {
  auto* list = static_cast<CListBox*>(dialog.GetDlgItem(listId));
  std::vector<std::string> entries;
  for (int index = 0; list != nullptr && index < list->GetCount(); ++index) {
    CString text;
    list->GetText(index, text);
    entries.push_back(text.str());
  }
  return entries;
}

bool IsEnabled(CWnd& dialog, int id) {
  CWnd* control = dialog.GetDlgItem(id);
  return control != nullptr && control->IsWindowEnabled();
}

void Snapshot(CWnd& window, const std::string& name) {
  std::string folder = std::string(QH_TEST_BINARY_DIR) + "/snapshots";
  std::filesystem::create_directories(folder);
  std::string path = folder + "/" + name + ".png";
  std::string error;
  EXPECT_TRUE(qh::gdi::WriteWindowPng(window.m_hWnd, path, &error)) << error;
  EXPECT_GT(std::filesystem::file_size(path), 1000u);
}

void RecorderTest::SetUp() {
  sandbox = std::make_unique<qh::testing::TestSandbox>();
  static const bool registered = RegisterRecorderDialogs();
  ASSERT_TRUE(registered);
  std::filesystem::create_directories(sandbox->HostPath("C/Quaverhouse/Songs"));
  std::filesystem::create_directories(sandbox->HostPath("C/Quaverhouse/Covers"));
  CreateSongDatabase(databaseFolder + "\\Quaverhouse.qhd");
  qh::ui::SetMessageBoxAnswerer([this](const qh::ui::MessageBoxRequest& box) {
    boxTexts.push_back(box.text);
    if (answers_.empty()) return box.defaultButton;
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
  });
  qh::ui::SetDialogAnswerer([this](CWnd& window) {
    auto* dialog = dynamic_cast<CDialog*>(&window);
    if (dialog == nullptr) return;
    shownDialogs.push_back(dialog->m_nTemplateId);
    auto& queue = scripts_[dialog->m_nTemplateId];
    if (queue.empty()) {
      ADD_FAILURE() << "dialog " << dialog->m_nTemplateId << " opened without a script";
      dialog->EndDialog(IDCANCEL);
      return;
    }
    auto script = std::move(queue.front());
    queue.pop_front();
    Settle();
    script(*dialog);
    Settle();
    // A script that stopped early (a failed assertion) must not leave its dialog waiting for a user.
    if (dialog->ContinueModal()) {
      ADD_FAILURE() << "the script of dialog " << dialog->m_nTemplateId << " left it open";
      dialog->EndDialog(IDCANCEL);
    }
  });
  app = std::make_unique<CRecorderApp>();
  char name[] = "Trackwright";
  char* argv[] = {name};
  app->SetCommandLine(1, argv);
  app->SetRegistryKey("Tallowmere");
  app->WriteProfileString("", "SongDbPath", databaseFolder);
  app->WriteProfileInt("Tip", "StartUp", 1);
}

bool RecorderTest::StartRecorder() { return app->StartUp(); }

void RecorderTest::TearDown() {
  if (app) app->ExitInstance();
  app.reset();
  qh::ui::SetDialogAnswerer(nullptr);
  qh::ui::SetMessageBoxAnswerer(nullptr);
  for (auto& [id, queue] : scripts_) EXPECT_TRUE(queue.empty()) << "dialog " << id << " was never shown";
  sandbox.reset();
}

void RecorderTest::OnDialog(UINT templateId, std::function<void(CDialog&)> script) {
  scripts_[templateId].push_back(std::move(script));
}

LONG RecorderTest::AddSong(const SongSpec& spec) {
  tSong song;
  song.Attach(Db(), Storage());
  song.SetSongName(spec.name.c_str());
  song.SetSongArtist(spec.artist.c_str());
  song.SetSongAlbumName(spec.album.c_str());
  song.SetSongComments(spec.comments.c_str());
  song.SetSongLabel(spec.label.c_str());
  song.SetSongAttributes(spec.attributes.c_str());
  song.SetSongRotationCode(spec.rotation.c_str());
  song.SetSongLength(spec.length.c_str());
  song.SetSongCompression(spec.code);
  song.SetSongCdTrack(spec.cdTrack);
  COleDateTime date;
  date.SetDateTime(spec.year, spec.month, spec.day, spec.hour, 0, 0);
  song.SetSongDate(date);
  song.SetSongRecordDate(date);
  ULARGE_INTEGER freeBytes{}, totalBytes{};
  LONG count = 0;
  DWORD serial = 0;
  CString label;
  Storage()->GetVolume(0, freeBytes, totalBytes, count, serial, label);
  song.SetSongVolser(serial);
  if (!spec.genre.empty()) song.AddGenre(spec.genre.c_str(), TRUE);
  for (const std::string& genre : spec.moreGenres) song.AddGenre(genre.c_str(), FALSE);
  LONG id = song.Add();
  EXPECT_GT(id, 0) << spec.name;
  return id;
}

bool RecorderTest::MakeMediaFile(LONG songId, char code, double seconds) {
  char name[64];
  std::snprintf(name, sizeof name, "C/Quaverhouse/Songs/Song%010ld.%s", static_cast<long>(songId),
                code == 'R' ? "mp3" : "wav");
  std::string path = sandbox->HostPath(name);
  std::string length = std::to_string(seconds);
  switch (code) {
    case ' ':
      return HaveTool("sox") && RunTool("sox -n -r 44100 -c 2 -b 16 '" + path + "' synth " + length + " sine 440");
    case 'R':
      return HaveTool("sox") && HaveTool("lame") &&
             RunTool("sox -n -r 44100 -c 2 -b 16 -t wav - synth " + length + " sine 440 | lame --quiet -b 128 - '" +
                     path + "'");
    case 'M':
      return HaveTool("ffmpeg") &&
             RunTool("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=" + length +
                     " -ac 2 -ar 44100 -c:a libmp3lame -b:a 128k -f wav '" + path + "'");
    default: return false;
  }
}

std::unique_ptr<tSong> RecorderTest::Load(LONG songId) {
  auto song = std::make_unique<tSong>();
  song->Attach(Db(), Storage());
  if (song->LoadById(songId) <= 0) return nullptr;
  return song;
}

std::vector<std::string> RecorderTest::PlaylistNames() {
  std::vector<std::string> names;
  if (!Db()->OpenPlaylistNames()) return names;
  CString name;
  while (Db()->NextPlaylistName(name)) names.push_back(name.str());
  Db()->ClosePlaylistNames();
  return names;
}

std::vector<LONG> RecorderTest::PlaylistSongs(const char* name) {
  std::vector<LONG> ids;
  if (!Db()->OpenPlaylistSongs(name)) return ids;
  LONG id = 0;
  SHORT sequence = 0;
  while (Db()->NextPlaylistSong(id, sequence)) ids.push_back(id);
  Db()->ClosePlaylistSongs();
  return ids;
}

}  // namespace qh::recorder::testing
