#include "jukebox/app/dialogs/tests/MediaDialogsTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "maintenance/schema/SongDbSchema.h"
#include "platform/ui/Input.h"

namespace media_dialogs_test {

TestServices::TestServices() : previous_(SetJukeboxServices(this)) {}
TestServices::~TestServices() { SetJukeboxServices(previous_); }

int TestServices::LogEvent(const CString& severity, const CString& source, const CString& text) {
  log.push_back({severity.str(), source.str(), text.str()});
  AfxMessageBox(text, MB_OK | (severity == "S" ? MB_ICONSTOP : MB_ICONEXCLAMATION));
  return 1;
}

void TestServices::WriteErrorLog(const CString& severity, const CString& source, const CString& text) {
  log.push_back({severity.str(), source.str(), text.str()});
}

void MediaDialogsTest::SetUp() {
  sandbox_ = std::make_unique<qh::testing::TestSandbox>();
  static const bool loaded = [] {
    std::string error;
    bool ok = qh::ui::LoadDialogTemplateFolder(std::string(QH_TEST_SOURCE_DIR) + "/resources/jukebox/dialogs", &error);
    EXPECT_TRUE(ok) << error;
    return ok;
  }();
  ASSERT_TRUE(loaded);
  std::filesystem::create_directories(Host("C/Quaverhouse/Songs"));
  CreateSongDatabase("C:\\Quaverhouse\\Quaverhouse.qhd");
  ASSERT_EQ(database_.Open("C:\\Quaverhouse\\Quaverhouse.qhd", FALSE, FALSE), 1);
  storage_ = std::make_unique<tStorage>(database_.GetDatabase());
  ASSERT_EQ(storage_->Init(database_.GetExpectedVersion(), "C:\\Quaverhouse"), 0);
  services_ = std::make_unique<TestServices>();
  services_->database = &database_;
  services_->storage = storage_.get();
  qh::ui::SetMessageBoxAnswerer([this](const qh::ui::MessageBoxRequest& box) {
    boxTexts.push_back(box.text);
    if (answers_.empty()) return box.defaultButton;
    const int answer = answers_.front();
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
    if (dialog->ContinueModal()) {
      ADD_FAILURE() << "the script of dialog " << dialog->m_nTemplateId << " left it open";
      dialog->EndDialog(IDCANCEL);
    }
  });
}

void MediaDialogsTest::TearDown() {
  qh::ui::SetDialogAnswerer(nullptr);
  qh::ui::SetMessageBoxAnswerer(nullptr);
  for (auto& [id, queue] : scripts_) EXPECT_TRUE(queue.empty()) << "dialog " << id << " was never shown";
  services_.reset();
  storage_.reset();
  database_.Close();
  sandbox_.reset();
}

void MediaDialogsTest::OnDialog(UINT templateId, std::function<void(CDialog&)> script) {
  scripts_[templateId].push_back(std::move(script));
}

LONG MediaDialogsTest::AddSong(const SongSpec& spec) {
  tSong song;
  song.Attach(&database_, storage_.get());
  song.SetSongName(spec.name.c_str());
  song.SetSongArtist(spec.artist.c_str());
  song.SetSongAlbumName(spec.album.c_str());
  song.SetSongLength(spec.length.c_str());
  song.SetSongCompression(spec.code);
  song.SetSongUncompressed(spec.uncompressed);
  song.SetSongCdTrack(spec.cdTrack);
  song.SetSongCDDB(static_cast<DWORD>(spec.cddb));
  COleDateTime date(2004, 5, 6, 0, 0, 0);
  song.SetSongDate(date);
  song.SetSongRecordDate(date);
  ULARGE_INTEGER freeBytes{}, totalBytes{};
  LONG count = 0;
  DWORD serial = 0;
  CString label;
  storage_->GetVolume(0, freeBytes, totalBytes, count, serial, label);
  song.SetSongVolser(serial);
  if (!spec.genre.empty()) song.AddGenre(spec.genre.c_str(), TRUE);
  const LONG id = song.Add();
  EXPECT_GT(id, 0) << spec.name;
  return id;
}

std::unique_ptr<tSong> MediaDialogsTest::Load(LONG songId) {
  auto song = std::make_unique<tSong>();
  song->Attach(&database_, storage_.get());
  if (song->LoadById(songId) <= 0) return nullptr;
  return song;
}

std::vector<LONG> MediaDialogsTest::PlaylistSongs(const char* name) {
  std::vector<LONG> ids;
  if (!database_.OpenPlaylistSongs(name)) return ids;
  LONG id = 0;
  SHORT sequence = 0;
  while (database_.NextPlaylistSong(id, sequence) > 0) ids.push_back(id);
  database_.ClosePlaylistSongs();
  return ids;
}

std::string MediaDialogsTest::SongFile(LONG songId, const char* extension) const {
  char name[64];
  std::snprintf(name, sizeof name, "C/Quaverhouse/Songs/Song%010ld.%s", static_cast<long>(songId), extension);
  return Host(name);
}

std::string MediaDialogsTest::TempFile(LONG songId, const char* extension) const {
  char name[64];
  std::snprintf(name, sizeof name, "C/Quaverhouse/Songs/Temp%010ld.%s", static_cast<long>(songId), extension);
  return Host(name);
}

void Settle() {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
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
void ClickAt(HWND window, int x, int y, WPARAM keys = 0) {
  qh::ui::InjectMouseAt(window, WM_LBUTTONDOWN, x, y, MK_LBUTTON | keys);
  qh::ui::InjectMouseAt(window, WM_LBUTTONUP, x, y, keys);
  Settle();
}

CWnd* Control(CWnd& dialog, int id) {
  CWnd* control = dialog.GetDlgItem(id);
  EXPECT_NE(control, nullptr) << "no control " << id;
  return control;
}
}  // namespace

void Click(CWnd& dialog, int id) {
  CWnd* control = Control(dialog, id);
  if (control == nullptr) return;
  ASSERT_TRUE(control->IsWindowEnabled()) << "control " << id << " cannot be clicked";
  RECT rect{};
  control->GetClientRect(&rect);
  ClickAt(control->m_hWnd, rect.right / 2, rect.bottom / 2);
}

void ClickEntry(CWnd& dialog, int listId, int entry, WPARAM keys) {
  auto* list = static_cast<CListBox*>(Control(dialog, listId));
  if (list == nullptr) return;
  RECT rect{};
  ASSERT_NE(LB_ERR, list->GetItemRect(entry, &rect));
  if (keys & MK_SHIFT) qh::ui::InjectKeyOnly(VK_SHIFT, true);
  if (keys & MK_CONTROL) qh::ui::InjectKeyOnly(VK_CONTROL, true);
  ClickAt(list->m_hWnd, rect.left + 4, (rect.top + rect.bottom) / 2, keys);
  if (keys & MK_CONTROL) qh::ui::InjectKeyOnly(VK_CONTROL, false);
  if (keys & MK_SHIFT) qh::ui::InjectKeyOnly(VK_SHIFT, false);
  Settle();
}

void DoubleClickEntry(CWnd& dialog, int listId, int entry) {
  auto* list = static_cast<CListBox*>(Control(dialog, listId));
  if (list == nullptr) return;
  RECT rect{};
  ASSERT_NE(LB_ERR, list->GetItemRect(entry, &rect));
  const int x = rect.left + 4, y = (rect.top + rect.bottom) / 2;
  ClickAt(list->m_hWnd, x, y);
  ClickAt(list->m_hWnd, x, y);
}

void ClickRow(CWnd& dialog, int listId, int row) {
  auto* list = static_cast<CListCtrl*>(Control(dialog, listId));
  if (list == nullptr) return;
  list->EnsureVisible(row, FALSE);
  RECT rect{};
  ASSERT_TRUE(list->GetItemRect(row, &rect, LVIR_BOUNDS));
  ClickAt(list->m_hWnd, rect.left + 6, (rect.top + rect.bottom) / 2);
}

void PressKey(UINT key) {
  qh::ui::InjectKey(key, true);
  qh::ui::InjectKey(key, false);
  Settle();
}

void Type(CWnd& dialog, int id, const std::string& text) {
  CWnd* control = Control(dialog, id);
  if (control == nullptr) return;
  Click(dialog, id);
  PressKey(VK_HOME);
  for (int count = control->GetWindowTextLength(); count > 0; --count) PressKey(VK_DELETE);
  if (!text.empty()) qh::ui::InjectText(text.c_str());
  Settle();
}

void Choose(CWnd& dialog, int id, int entry) {
  auto* combo = static_cast<CComboBox*>(Control(dialog, id));
  if (combo == nullptr) return;
  Click(dialog, id);
  PressKey(VK_HOME);
  for (int step = 0; step < entry; ++step) PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  ASSERT_EQ(entry, combo->GetCurSel());
}

std::string TextOf(CWnd& dialog, int id) {
  CString text;
  dialog.GetDlgItemText(id, text);
  return text.str();
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

std::vector<std::string> ComboEntriesOf(CWnd& dialog, int comboId) {
  auto* combo = static_cast<CComboBox*>(dialog.GetDlgItem(comboId));
  std::vector<std::string> entries;
  for (int index = 0; combo != nullptr && index < combo->GetCount(); ++index) {
    CString text;
    combo->GetLBText(index, text);
    entries.push_back(text.str());
  }
  return entries;
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

bool IsEnabled(CWnd& dialog, int id) {
  CWnd* control = dialog.GetDlgItem(id);
  return control != nullptr && control->IsWindowEnabled();
}

bool RunTool(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace media_dialogs_test
