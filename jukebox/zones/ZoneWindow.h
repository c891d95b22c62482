// A zone window is its zone's player seen on the screen: the window class derives from the zone's engine
// (the local engine or the box engine) and shows one of two looks (normal or TV). CZoneWindowT is that
// one source: it routes the window's messages and the engine's screen hooks to the look, and gives the
// look the engine members it writes. The four zone window classes are instances of it.
#pragma once

#include <ctime>

#include "jukebox/player/PlayerBase.h"
#include "jukebox/zones/TVZoneLook.h"
#include "jukebox/zones/ZoneLook.h"

template <class Engine, class Look>
class CZoneWindowT : public Engine, protected CZoneWindowBridge {
 public:
  template <class... LookArguments>
  explicit CZoneWindowT(LookArguments... arguments) : m_look(*this, *this, arguments...) {}
  // The window goes while the look (and its controls) still exist.
  ~CZoneWindowT() override {
    if (this->m_hWnd != nullptr) this->DestroyWindow();
  }

  Look& GetLook() { return m_look; }
  tSong* GetSelectedSong(int& index) { return m_look.GetSelectedSong(index); }

  // ---- Screen hooks ----
  void SetStatusText(const CString& text) override { m_look.SetStatusText(text); }
  int PlayAdjacentSong(int delta) override { return m_look.PlayAdjacentSong(delta); }
  int MoveListSelection(int delta) override { return m_look.MoveListSelection(delta); }
  void PlaySelectedSong() override { m_look.PlaySelectedSong(); }
  void CreateControls() override { m_look.CreateControls(); }
  void DestroyControls() override { m_look.DestroyControls(); }
  void UpdateShuffleButton() override { m_look.UpdateShuffleButton(); }
  void UpdateRepeatButton() override { m_look.UpdateRepeatButton(); }
  void UpdateVolume() override { m_look.UpdateVolume(); }
  void UpdatePosition() override {
    m_look.UpdatePosition();
    Engine::UpdatePosition();
  }
  void UpdateState() override {
    m_look.UpdateState();
    Engine::UpdateState();
  }
  void RedrawInfo() override { m_look.RedrawInfo(); }
  void ShowSongCount() override { m_look.ShowSongCount(); }
  void ClearSongList() override { m_look.ClearSongList(); }
  void ShowLoadingText(int firstIndex, int count, bool) override { m_look.ShowLoadingText(firstIndex, count); }
  void SelectCurrentSong() override { m_look.SelectCurrentSong(); }
  void ShowAlbumCover() override { m_look.ShowAlbumCover(); }

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    m_look.OnCommand(wParam, lParam);
    return Engine::OnCommand(wParam, lParam);
  }

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_CREATE:
        if (Engine::WindowProc(message, wParam, lParam) == -1) return -1;
        return m_look.OnCreate();
      case WM_DESTROY: {
        const LRESULT result = Engine::WindowProc(message, wParam, lParam);
        m_look.OnDestroy();
        return result;
      }
      case WM_PAINT: m_look.OnPaint(); return 0;
      case WM_ERASEBKGND:
        m_look.EraseBackground(reinterpret_cast<HDC>(wParam));
        return 1;
      case WM_SIZE: {
        const LRESULT result = Engine::WindowProc(message, wParam, lParam);
        if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) m_look.Layout();
        return result;
      }
      case WM_CTLCOLORLISTBOX: return reinterpret_cast<LRESULT>(m_look.OnCtlColorListBox());
      case WM_WINDOWPOSCHANGED: {
        const LRESULT result = Engine::WindowProc(message, wParam, lParam);
        m_look.OnWindowPosChanged(reinterpret_cast<const WINDOWPOS*>(lParam));
        return result;
      }
      case WM_TIMER: m_look.OnTimer(wParam); break;
      case WM_CONTEXTMENU: m_look.OnContextMenu(); return 0;
      case WM_LBUTTONDBLCLK: m_look.OnLButtonDblClk(CPoint(lParam)); break;
      default: break;
    }
    if (LRESULT result = 0; RouteThumbs(message, wParam, lParam, result)) return result;
    return Engine::WindowProc(message, wParam, lParam);
  }

  // ---- CZoneWindowBridge ----
  CPlayerBase& Player() override { return *this; }
  void SetCurrentIndex(LONG index) override { this->m_currentIndex = index; }
  void ForgetSavedVolume() override { this->m_savedVolume = -1; }
  void SetCurrentPlaylistName(const CString& name) override { this->m_currentPlaylistName = name; }
  CoverSources GetCoverSources() override {
    CoverSources sources;
    sources.songFolder = this->m_songFolder;
    sources.pictureFolder = this->m_pictureFolder;
    sources.startFolder = this->m_startFolder;
    sources.streamNumber = this->m_streamNumber;
    sources.currentSong = this->m_pCurrentSong;
    sources.pictures = &this->m_pictureList;
    sources.shown = &this->m_pictureShown;
    sources.random = &this->m_random;
    return sources;
  }
  const char* ZoneLogSource() const override { return this->LogSource(); }
  // The local engine's plug-in chain; engines without one (the box engine, test engines) do nothing.
  void OnPluginsCommand() override {}

 private:
  bool RouteThumbs(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if constexpr (std::is_same_v<Look, CZoneLook>) {
      const int delta = static_cast<int>(static_cast<INT_PTR>(wParam));
      if (message == WM_ZONE_VOLUME_THUMB) {
        m_look.OnVolumeThumbDrag(delta);
        result = -1;
        return true;
      }
      if (message == WM_ZONE_POSITION_THUMB && m_look.HandlesPositionThumb()) {
        m_look.OnPositionThumbDrag(delta, lParam != 0);
        result = -1;
        return true;
      }
    }
    return false;
  }

  Look m_look;
};
