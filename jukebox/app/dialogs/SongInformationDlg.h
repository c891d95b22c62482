// "Song Information" (dialog 188): the descriptive fields of one song, filled and read back by the
// caller. Name and artist are required.
#pragma once

#include "platform/core/DateTime.h"
#include "platform/ui/Dialog.h"

class tQHDb;

class CSongInformationDlg : public CDialog {
 public:
  static constexpr UINT IDD = 188;
  static constexpr int kName = 1047, kArtist = 1042, kAlbum = 1043, kNotes = 1044, kType = 1011, kDate = 1048,
                       kDoNotCompress = 1102;
  static constexpr int kNameLimit = 80, kArtistLimit = 80, kAlbumLimit = 80, kNotesLimit = 255, kTypeLimit = 40;

  explicit CSongInformationDlg(tQHDb* database, CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
  void OnOK() override;

  CString m_name, m_artist, m_album, m_notes;
  CString m_type;  // the chosen song type code after IDOK
  COleDateTime m_date = COleDateTime::GetCurrentTime();
  BOOL m_doNotCompress = FALSE;
  // From the caller: the song's present type code and whether it may stay uncompressed.
  CString m_currentType;
  BOOL m_offerDoNotCompress = FALSE;

 protected:
  void DoDataExchange(CDataExchange* dx) override;

 private:
  void FillTypes();
  bool Require(int id, UINT message);
  CComboBox* Types() { return static_cast<CComboBox*>(GetDlgItem(kType)); }

  tQHDb* m_database;
};
