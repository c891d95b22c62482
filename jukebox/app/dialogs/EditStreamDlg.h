// "Edit Stream %d" (dialog 224): one zone's device, a sound device of this machine or an Exstreamer box by
// its address, and the zone's description.
#pragma once

#include "platform/core/CString.h"
#include "platform/ui/Dialog.h"

class CEditStreamDlg : public CDialog {
 public:
  static constexpr UINT IDD = 224;
  static constexpr int kRenderers = 1073, kDescription = 1074, kAddress = 1075, kDirectX = 1077,
                       kExstreamer = 1078;
  explicit CEditStreamDlg(CWnd* parent = nullptr) : CDialog(IDD, parent) {}
  BOOL OnInitDialog() override;
  void OnOK() override;

  int m_nStream = 1;
  CString m_strDevice;
  CString m_strAddress;
  CString m_strDescription;

 protected:
  void FillAudioDevices();
  void OnDirectX();
  void OnExstreamer();
  DECLARE_MESSAGE_MAP()

 private:
  void ChooseDeviceKind(bool exstreamer);
};

// True when the text holds one of the characters a stream name may not have (they would break the XML
// documents and paths the name goes into).
bool ValidateStreamName(const CString& text);
