// The small pages of the options sheet: General (231), External (232) and Logs (233). They only exchange
// the values the main window loads before the sheet runs and saves after an OK.
#pragma once

#include "platform/core/CString.h"
#include "platform/ui/PropertySheet.h"

// Folder chooser shared by the pages' Browse buttons: the chosen folder replaces the edit's text; a
// cancel changes nothing.
void BrowseFolderInto(CWnd& page, int editId, UINT titleId);

class DlgOptGeneral : public CPropertyPage {
 public:
  static constexpr UINT IDD = 231;
  static constexpr int kCddbServer = 1084, kCompressOnExit = 1086, kTVOutput = 1087, kRandomPicPath = 1088,
                       kBrowse = 1091;
  DlgOptGeneral() : CPropertyPage(IDD) {}
  BOOL OnKillActive() override;
  void DoDataExchange(CDataExchange* dx) override;

  CString m_strCddbServer;
  int m_bCompressOnExit = 0;
  int m_bTVOutput = 0;
  CString m_strRandomPicPath;

 protected:
  void OnBrowse();
  DECLARE_MESSAGE_MAP()
};

class DlgOptWeb : public CPropertyPage {
 public:
  static constexpr UINT IDD = 232;
  static constexpr int kWebEnable = 1092, kSocketNumber = 1093;
  DlgOptWeb() : CPropertyPage(IDD) {}
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;

  int m_bWebControlEnable = 0;
  UINT m_nSocketNumber = 0;

 protected:
  void OnWebEnable();
  DECLARE_MESSAGE_MAP()
};

class DlgOptLog : public CPropertyPage {
 public:
  static constexpr UINT IDD = 233;
  static constexpr int kErrorMessageBox = 1094, kErrorLog = 1095, kErrorLogPath = 1096, kBrowse = 1091;
  DlgOptLog() : CPropertyPage(IDD) {}
  BOOL OnInitDialog() override;
  BOOL OnKillActive() override;
  void DoDataExchange(CDataExchange* dx) override;

  int m_bErrorLog = 0;
  int m_bErrorMessageBox = 0;
  CString m_strErrorLogPath;

 protected:
  void OnErrorLogCheck();
  void OnBrowse();
  DECLARE_MESSAGE_MAP()
};
