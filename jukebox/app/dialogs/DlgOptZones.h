// The Streams page of the options sheet (229): the eight zones' devices and descriptions. It saves its
// list itself when the sheet closes with OK, and only when the filled streams are contiguous.
#pragma once

#include "platform/core/CString.h"
#include "platform/ui/AfxCmnCtrls.h"
#include "platform/ui/PropertySheet.h"

class DlgOptZones : public CPropertyPage {
 public:
  static constexpr UINT IDD = 229;
  static constexpr int kList = 1072, kEdit = 3, kClear = 4;
  static constexpr int kStreams = 8;
  DlgOptZones() : CPropertyPage(IDD) {}
  BOOL OnInitDialog() override;
  void LoadZones();
  // The sheet's OK: refused (nothing saved, the sheet stays) when a stream follows an empty one.
  BOOL SaveZones();
  BOOL OnApply() override { return SaveZones(); }

 protected:
  void OnEditStream();
  void OnClear();
  DECLARE_MESSAGE_MAP()

 private:
  CListCtrl* List() { return static_cast<CListCtrl*>(GetDlgItem(kList)); }
  int SelectedRow();
};
