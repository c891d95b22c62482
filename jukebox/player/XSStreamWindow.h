// CXSStreamWindow: the player engine of a zone whose sound comes out of a network audio box. The queue,
// loaders, searches, next-song choice, ramps and documents are the player base's; what touches sound
// goes to the box: the song file's bytes over the audio connection, short text commands over the
// control connection (CXSBoxEngine does both). The zone windows of box zones derive from it.
#pragma once

#include "jukebox/player/PlayerBase.h"
#include "jukebox/player/XSBoxEngine.h"

class CXSStreamWindow : public CPlayerBase, protected CXSEngineHost {
 public:
  CXSStreamWindow();
  ~CXSStreamWindow() override;

  // ---- The player interface: the box's own bodies ----
  int PlaySong(tSong* song) override;
  // "__XS:<host>": the host becomes the box address, the device name "Exstreamer @ <host>".
  void SetDeviceName(const CString& name) override;
  bool IsExstreamer() const override { return true; }
  int SeekPercent(double percent) override;  // the box cannot seek: 0, nothing changes
  int Rewind() override;
  int Pause() override;
  int Play() override;
  int Stop() override;
  int Next() override;
  int GetPositionPercent() override;
  LONG GetPositionMs() override;
  bool UsesPlugins() const override { return false; }
  BOOL Shutdown(CWnd* notifyWindow) override;

  // ---- Its own operations ----
  void SendVolume(int level);
  // State STOPPED, no current song, the stream's values cleared and the file closed.
  void CloseSongFile();
  CString GetBoxAddress() const { return m_box.GetBoxAddress(); }
  CXSBoxEngine& BoxEngine() { return m_box; }

 protected:
  const char* LogSource() const override { return "XSStreamWindow"; }
  void OutputVolume(int percent) override { SendVolume(XSLevelFromVolume(percent)); }
  void ReleaseOutput() override { m_box.StopThreads(); }

  afx_msg int OnCreate(LPCREATESTRUCT create);
  afx_msg LRESULT OnAudioThreadNotify(WPARAM code, LPARAM record);
  afx_msg LRESULT OnControlThreadNotify(WPARAM code, LPARAM record);
  afx_msg LRESULT OnEndOfData(WPARAM wParam, LPARAM lParam);
  afx_msg LRESULT OnBoxNextSong(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  // ---- CXSEngineHost ----
  HWND EngineWindow() const override { return GetSafeHwnd(); }
  int QueueLength() const override { return GetSongCount(); }
  tSong* QueueSong(int index) const override { return GetQueuedSong(index); }
  int CurrentIndex() const override { return m_currentIndex; }
  tSong* PlayingSong() const override { return m_pCurrentSong; }
  bool IsShuffleOn() const override { return m_shuffle; }
  bool IsRepeatOn() const override { return m_repeat; }
  int DrawRandomIndex(int n) override { return m_random.DrawIndex(n); }
  void SongStarted(tSong* song, const CString& fileType, const CString& lengthText) override;
  void SongPromoted(const tSong& song, int index, const CString& fileType, const CString& lengthText) override;
  void StreamStopped() override;
  void BoxVolumeReported(int volumePercent) override;
  void NothingToPrepare() override { Pause(); }
  void ThreadsGone() override;

 private:
  CXSBoxEngine m_box{*this};
};
