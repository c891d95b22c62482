// CStreamWindow: the local engine, a zone that plays on this computer's sound devices through a filter
// graph: source, parser or splitter, decoder, the user's plug-ins, an infinite pin tee and one renderer
// per sound device of the zone. The graph is built by the first song and kept across songs (only its
// source part is replaced); its streaming thread posts 0x52C when events are queued.
#pragma once

#include <map>
#include <vector>

#include "jukebox/player/PlayerBase.h"
#include "platform/media/DShow.h"

class CStreamWindow : public CPlayerBase {
 public:
  CStreamWindow();
  ~CStreamWindow() override;

  // ---- Transport and queries ----
  int PlaySong(tSong* song) override;
  bool IsExstreamer() const override { return false; }
  int SeekPercent(double percent) override;
  int Rewind() override;
  int Pause() override;
  int Play() override;
  int Stop() override;
  int GetPositionPercent() override;
  LONG GetPositionMs() override;
  bool UsesPlugins() const override { return !m_pluginChain.empty(); }
  void AddPlugin(const CString& name) override;
  void ClearPlugins() override;

  // ---- Graph (public for the zone windows and tests) ----
  // The filters a source's chain is made of and the graph that holds them: the zone's own graph, or a
  // probe's graph of its own.
  struct ChainStages {
    IGraphBuilder* graph = nullptr;
    IBaseFilter* waveParser = nullptr;
    IBaseFilter* acmWrapper = nullptr;
    IBaseFilter* layer3Decoder = nullptr;
    IBaseFilter* mpegDecoder = nullptr;
    IBaseFilter* mpeg1Splitter = nullptr;
  };
  bool HasGraph() const { return m_pGraph != nullptr; }
  void CreateGraph();
  bool CreateFilter();
  bool AddFilterByName();
  bool BuildGraphChain(char code, const CString& path);
  bool ReplaceSourceChain(char code, const CString& path);
  bool ConnectRenderer();
  bool DisconnectRenderers();
  int SeekToPosition(LONG ms);
  void ReleaseGraph();
  void SetGraphVolume(double decibels);
  int DbToLinear();
  // The renderers connected to the tee now.
  int CountRenderers();
  // The graph's level in 1/100 dB (1 when there is no graph), and its other interfaces.
  long GetGraphVolumeLevel();
  HRESULT QueryGraphInterface(REFIID iid, void** object);
  static CString FormatTimeText(LONGLONG position, LONGLONG start, LONGLONG stop);

  // ---- Plug-ins ----
  const std::vector<CString>& GetPluginNames() const { return m_pluginNames; }
  std::vector<CString> GetChainNames() const;
  IBaseFilter* GetChainFilter(const CString& name) const;
  IPin* GetFirstPluginPin();
  IPin* GetLastPluginPin();
  IBaseFilter* FindDeviceByFriendlyName(const CString& name);
  bool AddPluginFilters(const CString& name);
  void RemovePluginFilter(const CString& name);
  bool ErasePluginEntry(const CString& name);
  void ListTransformFilters();
  void ListRegisteredFilters();
  void GetFilterLists();
  const std::vector<CString>& GetOfferedPlugins() const { return m_offeredPlugins; }
  // Applies the plug-in list dialog's results (0 remove, 1 add, 999 unchanged) to the running graph.
  void ApplyPluginChoices(const std::vector<CString>& names, const std::vector<UINT>& results);
  void EditPluginChain();
  void ShowFilterProperties();

  // ---- Graph events (0x52C) ----
  LRESULT OnGraphEvent(WPARAM wParam, LPARAM lParam);

 protected:
  const char* LogSource() const override { return "StreamWindow"; }
  void OutputVolume(int percent) override;
  void ReleaseOutput() override {
    ReleaseGraph();
    ReleaseProbe();
  }

  afx_msg LRESULT OnGraphEventMessage(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

 private:
  void SetFileTypeText(tSong& song);
  ChainStages OwnStages() const;
  // Opens the song in a graph of its own and decodes its first frames (see PlaySong).
  bool ProbeSong(char code, const CString& path);
  bool CreateProbe();
  void ReleaseProbe();
  bool ConnectStages(const ChainStages& stages, char code, IPin* sourceOutput, IPin** lastOutput);
  IPin* ConnectStage(IGraphBuilder* graph, IBaseFilter* filter, IPin* upstream, const char* label, bool cutOutput);
  bool AddTee(IPin* upstream);
  bool AddPluginChain(IPin* upstream);
  bool ConnectInto(IPin* upstream, IPin* input, const char* label) { return ConnectInto(m_pGraph, upstream, input, label); }
  bool ConnectInto(IGraphBuilder* graph, IPin* upstream, IPin* input, const char* label);
  bool IsLayer3Output(IPin* pin);
  IPin* FindPin(IBaseFilter* filter, PIN_DIRECTION direction);
  IPin* GetUnconnectedPin(IBaseFilter* filter, PIN_DIRECTION direction);
  bool DisconnectPin(IPin* pin) { return DisconnectPin(m_pGraph, pin); }
  static bool DisconnectPin(IGraphBuilder* graph, IPin* pin);
  IBaseFilter* CreateRendererByName(const CString& name);
  int ConnectPluginFilters(IPin* upstream);
  void LogGraphText(const char* severity, UINT id, ...);
  void ReportGraphEvent(LONG code, LONG_PTR param1, LONG_PTR param2);

  IGraphBuilder* m_pGraph = nullptr;
  IMediaControl* m_pControl = nullptr;
  IMediaEventEx* m_pEvent = nullptr;
  IMediaSeeking* m_pSeeking = nullptr;
  IBasicAudio* m_pAudio = nullptr;
  IBaseFilter* m_pSource = nullptr;
  IBaseFilter* m_pTee = nullptr;
  IBaseFilter* m_pLayer3Decoder = nullptr;
  IBaseFilter* m_pMpegDecoder = nullptr;
  IBaseFilter* m_pMpeg1Splitter = nullptr;
  IBaseFilter* m_pWaveParser = nullptr;
  IBaseFilter* m_pAcmWrapper = nullptr;
  ChainStages m_probe;  // the graph that tries a song before the playing one is stopped for it

  std::vector<CString> m_pluginNames;
  std::map<CString, IBaseFilter*> m_pluginChain;
  std::vector<CString> m_transformCandidates;
  std::vector<CString> m_registeredFilters;
  std::vector<CString> m_offeredPlugins;
};
