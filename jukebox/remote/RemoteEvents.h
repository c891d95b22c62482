// Event notifications: when a player reports a change, every device subscribed to that event gets an
// eventList document by POST "/events" over an outbound connection that is opened on first use and kept.
// A document that cannot go out yet because the connection is still being made is held (a bounded
// number per device, oldest dropped first) and sent when the connection is up. Main window thread only.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "jukebox/app/services/RemoteEvents.h"
#include "jukebox/remote/EventSubscriptions.h"
#include "netlib/ClientSocketManager.h"
#include "netlib/HeldNotifications.h"
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

class CDeviceDescription;

// The description of a project device by its number (the project file's DEVNUM), or null.
using DeviceLookup = std::function<CDeviceDescription*(LONG deviceNumber)>;
// Where the remote control's log lines go: severity, source, text.
using RemoteLogger = std::function<void(const char* severity, const char* source, const CString& text)>;

// The <event> element of one notification.
CString BuildEventXml(const CString& eventName, LONG deviceNumber, LONG subscriptionId,
                      const std::vector<CString>& values);

class CRemoteEvents : public CRemoteEventSink {
 public:
  CRemoteEvents(HWND owner, UINT clientMessage, RemoteLogger logger);
  ~CRemoteEvents() override;

  CEventSubscriptions& Subscriptions() { return m_subscriptions; }
  void SetDeviceLookup(DeviceLookup lookup) { m_lookup = std::move(lookup); }
  // Set while the program ends: connection notices are no longer logged.
  void SetExiting(bool exiting) { m_exiting = exiting; }

  // ---- What the players call (CRemoteEventSink); each counts the events handed on for sending ----
  void FireVolumeChanged(int zone, int volume) override { FireEvent(EVENT_VOLUME_CHANGED, {Number(zone), Number(volume)}); }
  void FireSongChanged(int zone, const tSong& song) override;
  void FireSongPosChanged(int zone, LONG positionMs) override {
    FireEvent(EVENT_SONG_POS_CHANGED, {Number(zone), Number(positionMs)});
  }
  void FirePlayerStateChanged(int zone, const CString& stateName) override {
    FireEvent(EVENT_PLAYER_STATE_CHANGED, {Number(zone), stateName});
  }
  int FireEvent(LONG eventType, const std::vector<CString>& values);

  // 1 sent, 0 held, negative failure.
  LONG SendEventToSubscribers(LONG deviceNumber, const CString& eventText);
  CDeviceDescription* GetSelectedDevice(LONG deviceNumber);
  LONG SendXMLNotification(LONG deviceNumber, const CString& address, WORD port, const CString& document);
  void ReSendXMLNotification(LONG deviceNumber, const CString& document);
  // The outbound connections' notices (message 0x46A); frees the block.
  void ProcessClientThreadStatus(WPARAM code, LPARAM block);
  // Closes every outbound connection (waits about 10 s at most) and forgets the held documents.
  void CloseAll();

  int HeldCount(LONG deviceNumber) const { return m_held.Count(deviceNumber); }
  CClientSocketManager& Connections() { return m_connections; }

 private:
  static CString Number(LONG value);
  LONG OpenConnection(LONG deviceNumber, DWORD& threadId);
  bool QueueEventPost(DWORD threadId, const CString& document);
  int DiscardHeld(DWORD threadId);
  void SendHeld(DWORD threadId);
  LONG DeviceOfThread(DWORD threadId) const;
  void Log(const char* severity, const CString& text) const;

  CEventSubscriptions m_subscriptions;
  CClientSocketManager m_connections;
  CHeldNotifications m_held;
  std::map<LONG, DWORD> m_deviceConnections;   // device number -> outbound thread id
  std::map<DWORD, LONG> m_connectionDevices;   // outbound thread id -> device number
  DeviceLookup m_lookup;
  RemoteLogger m_logger;
  bool m_exiting = false;
};
