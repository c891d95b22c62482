// The property page of a plug-in filter: a modal dialog made from the plug-in's control ports, one
// slider (a check box for an on/off port) per port; OK hands the new values to the running filter.
#pragma once

#include "platform/core/CString.h"
#include "platform/media/DShow.h"
#include "platform/ui/Dialog.h"

namespace qh::media {

bool HasPluginPropertyPage(IBaseFilter* filter);
// Runs the page modally over `owner` with the caption; IDOK when the values were applied.
INT_PTR ShowPluginPropertyPage(HWND owner, IBaseFilter* filter, const CString& caption);

// Slider positions run over 0 to kSliderSteps between a port's bounds.
inline constexpr int kSliderSteps = 1000;
// Control ids: the port's slider or check box is 1000 + index, its value text 2000 + index.
inline constexpr UINT kFirstControlId = 1000;
inline constexpr UINT kFirstValueTextId = 2000;

class CPluginPropertyPage : public CDialog {
 public:
  CPluginPropertyPage(IBaseFilter* filter, const CString& caption, CWnd* parent);
  INT_PTR DoModal() override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  float ValueOf(size_t index);
  void ShowValue(size_t index);

  IBaseFilter* filter_;
  CString caption_;
};

}  // namespace qh::media
