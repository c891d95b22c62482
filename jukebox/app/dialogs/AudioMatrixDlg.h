// "Configure Audio Matrix (DirectShow devices)" (dialog 678): which sound cards each local stream's
// source feeds. It edits its own copies; the caller takes them back after an OK that changed something.
#pragma once

#include <set>
#include <vector>

#include "jukebox/app/dialogs/SourceTreeCtrl.h"
#include "platform/core/CString.h"
#include "platform/ui/Dialog.h"

using StreamSet = std::set<LONG>;

struct AudioMatrixStream {
  CString description;
  bool exstreamer = false;
  StreamSet set;
};

class CAudioMatrixDlg : public CDialog {
 public:
  static constexpr UINT IDD = 678;
  static constexpr int kTree = 1105, kReset = 1118, kSendToAll = 1119;
  static constexpr UINT kCardBitmap = 683, kSourceBitmap = 684;
  static constexpr const char* kBoxName = "EXSTREAMER DEVICE";

  CAudioMatrixDlg(const std::vector<AudioMatrixStream>& streams, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;
  void FillTree();

  std::vector<StreamSet> m_sets;
  std::vector<CString> m_names;
  bool m_bChanged = false;
  bool m_bResult = false;

 protected:
  void OnResetMatrix();
  void OnSendToAll();
  DECLARE_MESSAGE_MAP()

 private:
  int StreamCount() const { return static_cast<int>(m_names.size()); }
  bool IsBox(int stream) const { return m_names[static_cast<size_t>(stream)] == kBoxName; }

  std::vector<AudioMatrixStream> m_streams;
  CSourceTreeCtrl m_tree;
  CImageList m_images;
};

// Installs the audio matrix's runner in MainWindowDialogs() (once; later calls do nothing).
void InstallAudioMatrixRunner();
