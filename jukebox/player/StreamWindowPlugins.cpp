// The local engine's plug-ins: names kept across graphs, the chain (ordered by name) in the running
// graph between the decoder and the tee, the offered list and the plug-in list dialog.
#include <algorithm>

#include "jukebox/player/PluginListDlg.h"
#include "jukebox/player/StreamWindow.h"
#include "platform/media/DeviceEnum.h"
#include "platform/media/PluginPropertyPage.h"

void CStreamWindow::AddPlugin(const CString& name) {
  m_pluginNames.push_back(name);
  WriteLogText("I", IDS_PLAYER_ADD_PLUGIN, name.GetString(), m_streamNumber + 1);
}

void CStreamWindow::ClearPlugins() { m_pluginNames.clear(); }

std::vector<CString> CStreamWindow::GetChainNames() const {
  std::vector<CString> names;
  for (const auto& entry : m_pluginChain) names.push_back(entry.first);
  return names;
}

IBaseFilter* CStreamWindow::GetChainFilter(const CString& name) const {
  auto it = m_pluginChain.find(name);
  return it != m_pluginChain.end() ? it->second : nullptr;
}

IPin* CStreamWindow::GetFirstPluginPin() {
  return m_pluginChain.empty() ? nullptr : FindPin(m_pluginChain.begin()->second, PINDIR_INPUT);
}

IPin* CStreamWindow::GetLastPluginPin() {
  return m_pluginChain.empty() ? nullptr : FindPin(m_pluginChain.rbegin()->second, PINDIR_OUTPUT);
}

IBaseFilter* CStreamWindow::FindDeviceByFriendlyName(const CString& name) {
  for (const qh::media::MediaDevice& device : qh::media::EnumerateDevices(CLSID_LegacyAmFilterCategory))
    if (device.friendlyName == name) return device.create();
  return nullptr;
}

bool CStreamWindow::AddPluginFilters(const CString& name) {
  if (name.IsEmpty() || m_pGraph == nullptr) return false;
  IPin* upstream = nullptr;
  IPin* teeInput = nullptr;
  bool cut = false;
  if (m_pluginChain.empty()) {
    teeInput = FindPin(m_pTee, PINDIR_INPUT);
    cut = teeInput != nullptr && SUCCEEDED(teeInput->ConnectedTo(&upstream)) && DisconnectPin(teeInput);
  } else {
    IPin* first = GetFirstPluginPin();
    IPin* last = GetLastPluginPin();
    cut = first != nullptr && last != nullptr && SUCCEEDED(first->ConnectedTo(&upstream)) &&
          SUCCEEDED(last->ConnectedTo(&teeInput)) && DisconnectPin(upstream) && DisconnectPin(teeInput);
    SafeRelease(first);
    SafeRelease(last);
  }
  IBaseFilter* filter = cut ? FindDeviceByFriendlyName(name) : nullptr;
  bool added = filter != nullptr && SUCCEEDED(m_pGraph->AddFilter(filter, name));
  bool inserted = false;
  if (added) {
    inserted = m_pluginChain.emplace(name, filter).second;
    if (inserted) filter->AddRef();
    else m_pGraph->RemoveFilter(filter);  // a second filter of a name would hang unconnected in the graph
  }
  // Rewire even when the plug-in could not be made, so the sound still reaches the tee.
  if (cut && upstream != nullptr) ConnectPluginFilters(upstream);
  SafeRelease(filter);
  SafeRelease(upstream);
  SafeRelease(teeInput);
  return inserted;
}

void CStreamWindow::RemovePluginFilter(const CString& name) {
  if (m_pluginChain.empty() || name.IsEmpty() || m_pGraph == nullptr) return;
  IPin* first = GetFirstPluginPin();
  IPin* last = GetLastPluginPin();
  IPin* upstream = nullptr;
  IPin* teeInput = nullptr;
  const bool cut = first != nullptr && last != nullptr && SUCCEEDED(first->ConnectedTo(&upstream)) &&
                   SUCCEEDED(last->ConnectedTo(&teeInput)) && DisconnectPin(upstream) && DisconnectPin(teeInput);
  SafeRelease(first);
  SafeRelease(last);
  if (cut) {
    IBaseFilter* filter = GetChainFilter(name);
    const bool removed = filter != nullptr && SUCCEEDED(m_pGraph->RemoveFilter(filter));
    if (removed) ErasePluginEntry(name);
    // What is left (or nothing) goes back between the decoder and the tee.
    ConnectPluginFilters(upstream);
  }
  SafeRelease(upstream);
  SafeRelease(teeInput);
}

bool CStreamWindow::ErasePluginEntry(const CString& name) {
  auto it = m_pluginChain.find(name);
  if (it == m_pluginChain.end()) return false;
  it->second->Release();
  m_pluginChain.erase(it);
  return true;
}

void CStreamWindow::ListTransformFilters() {
  m_transformCandidates.clear();
  for (const CString& name : qh::media::EnumerateAudioTransforms()) {
    if (name == "ACM Wrapper" || name == "Infinite Pin Tee Filter" || name == "SampleGrabber") continue;
    if (name.Left(5) == "Indeo") continue;
    m_transformCandidates.push_back(name);
  }
}

void CStreamWindow::ListRegisteredFilters() {
  m_registeredFilters.clear();
  for (const qh::media::MediaDevice& device : qh::media::EnumerateDevices(CLSID_LegacyAmFilterCategory))
    m_registeredFilters.push_back(device.friendlyName);
}

void CStreamWindow::GetFilterLists() {
  ListTransformFilters();
  ListRegisteredFilters();
  m_offeredPlugins.clear();
  for (const CString& candidate : m_transformCandidates)
    for (const CString& registered : m_registeredFilters)
      if (candidate == registered) m_offeredPlugins.push_back(candidate);
}

void CStreamWindow::ApplyPluginChoices(const std::vector<CString>& names, const std::vector<UINT>& results) {
  for (size_t i = 0; i < names.size() && i < results.size(); ++i) {
    if (results[i] != 0 && results[i] != 1) continue;
    if (m_pControl != nullptr) m_pControl->Stop();
    if (results[i] == 0) RemovePluginFilter(names[i]);
    else AddPluginFilters(names[i]);
    Play();
  }
  UpdateState();
}

void CStreamWindow::EditPluginChain() {
  CPluginListDlg dialog(nullptr);
  GetFilterLists();
  dialog.m_names = m_offeredPlugins;
  for (const CString& name : m_offeredPlugins) dialog.m_initialStates.push_back(m_pluginChain.count(name) ? 1 : 0);
  if (dialog.DoModal() != IDOK) return;
  ApplyPluginChoices(dialog.m_names, dialog.m_results);
}

void CStreamWindow::ShowFilterProperties() {
  for (auto& [name, filter] : m_pluginChain)
    if (qh::media::HasPluginPropertyPage(filter)) qh::media::ShowPluginPropertyPage(m_hWnd, filter, name);
}
