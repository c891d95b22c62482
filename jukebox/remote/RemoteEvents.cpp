#include "jukebox/remote/RemoteEvents.h"

#include "dblib/Song.h"
#include "dblib/TextUtil.h"
#include "netlib/DeviceDescription.h"
#include "netlib/HttpSocketThread.h"
#include "netlib/ThreadBlocks.h"

namespace {

CString ClientText(DWORD threadId) {
  CString text;
  text.Format("Client thread 0x%lx", static_cast<unsigned long>(threadId));
  return text;
}

CString Unsigned(LONG value) {
  CString text;
  text.Format("%lu", static_cast<DWORD>(value));
  return text;
}

// Error codes after which the connection is closed: network down or unreachable, reset, aborted,
// refused, host unreachable.
bool ClosesConnection(LONG code) {
  switch (code) {
    case 10050: case 10051: case 10052: case 10053: case 10054: case 10061: case 10065: return true;
    default: return false;
  }
}

}  // namespace

CString BuildEventXml(const CString& eventName, LONG deviceNumber, LONG subscriptionId,
                      const std::vector<CString>& values) {
  CString text = "<event><name>" + XmlEscapeText(eventName) + "</name>";
  text += "<deviceID>" + Unsigned(deviceNumber) + "</deviceID>";
  CString id;
  id.Format("%ld", subscriptionId);
  text += "<subscriptionID>" + id + "</subscriptionID>";
  for (const CString& value : values) text += "<value>" + XmlEscapeText(value) + "</value>";
  return text + "</event>";
}

CRemoteEvents::CRemoteEvents(HWND owner, UINT clientMessage, RemoteLogger logger) : m_logger(std::move(logger)) {
  m_connections.SetOwner(owner, clientMessage);
}

CRemoteEvents::~CRemoteEvents() { CloseAll(); }

CString CRemoteEvents::Number(LONG value) {
  CString text;
  text.Format("%ld", value);
  return text;
}

void CRemoteEvents::Log(const char* severity, const CString& text) const {
  if (m_logger) m_logger(severity, "Main", text);
}

void CRemoteEvents::FireSongChanged(int zone, const tSong& song) {
  FireEvent(EVENT_SONG_CHANGED, {Number(zone), Number(song.SongID), song.SongName, song.SongArtist, song.SongAlbumName,
                                 Number(song.SongLengthMS)});
}

int CRemoteEvents::FireEvent(LONG eventType, const std::vector<CString>& values) {
  const CString name = EventNameFromType(eventType);
  int handedOn = 0;
  for (const CEventSubscription* subscription : m_subscriptions.SubscribersOf(eventType)) {
    const LONG device = subscription->GetDeviceNumber();
    SendEventToSubscribers(device, BuildEventXml(name, device, subscription->GetId(), values));
    ++handedOn;
  }
  return handedOn;
}

CDeviceDescription* CRemoteEvents::GetSelectedDevice(LONG deviceNumber) {
  return m_lookup ? m_lookup(deviceNumber) : nullptr;
}

LONG CRemoteEvents::SendEventToSubscribers(LONG deviceNumber, const CString& eventText) {
  if (eventText.IsEmpty()) return -3;
  const CString document = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?><eventList>" + eventText + "</eventList>";
  CDeviceDescription* device = GetSelectedDevice(deviceNumber);
  if (!device) return -1;
  const LONG result = SendXMLNotification(deviceNumber, device->GetServiceAddress(),
                                          static_cast<WORD>(device->GetServicePort() & 0xFFFF), document);
  if (result == 0) m_held.Hold(deviceNumber, document);
  return result;
}

LONG CRemoteEvents::OpenConnection(LONG deviceNumber, DWORD& threadId) {
  CHttpSocketThread* thread = m_connections.OpenClientSocket();
  if (!thread) {
    Log("E", "SendXMLNotification: Could not open outbound socket for device " + Unsigned(deviceNumber));
    return -1;
  }
  threadId = thread->m_nThreadID;
  m_deviceConnections[deviceNumber] = threadId;
  m_connectionDevices[threadId] = deviceNumber;
  return 0;
}

LONG CRemoteEvents::SendXMLNotification(LONG deviceNumber, const CString& address, WORD port, const CString& document) {
  Log("I", "SendXMLCommand:: Device: " + Unsigned(deviceNumber) + " XML: [" + document + "]");
  DWORD threadId = 0;
  auto known = m_deviceConnections.find(deviceNumber);
  LONG state = -2;
  if (known != m_deviceConnections.end()) {
    threadId = known->second;
    state = m_connections.GetState(threadId);
    if (state == -2) {
      // The device's connection thread has ended: forget it and open a new one.
      Log("E", "SendXMLNotification: Could not find outbound socket with ThreadID " + Number(static_cast<LONG>(threadId)));
      m_connectionDevices.erase(threadId);
      m_deviceConnections.erase(known);
    }
  }
  if (state == -2) {
    if (const LONG opened = OpenConnection(deviceNumber, threadId); opened < 0) return opened;
    state = m_connections.GetState(threadId);
  }
  if (state < 0) {
    Log("E", "SendXMLNotification: Socket no longer connected for DeviceID " + Unsigned(deviceNumber));
    return -2;
  }
  switch (state) {
    case CONNECTION_CLOSED: {
      auto* connect = new CHttpConnect;
      connect->m_host = address;
      connect->m_port = port;
      auto* command = new CHttpCommand(HTTP_CMD_CONNECT, connect);
      if (!m_connections.PostCommand(threadId, command)) {
        delete command;
        Log("E", "SendXMLNotification: the connect command was refused for DeviceID " + Unsigned(deviceNumber));
        return -2;
      }
      return 0;
    }
    case CONNECTION_CONNECTING: return 0;
    case CONNECTION_CONNECTED:
      // Documents still held from before the connection came up go first, so the device sees the
      // events in the order they happened.
      SendHeld(threadId);
      return QueueEventPost(threadId, document) ? 1 : -2;
    default: return -5;
  }
}

bool CRemoteEvents::QueueEventPost(DWORD threadId, const CString& document) {
  auto* request = new CHttpRequest;
  request->m_method = HTTP_METHOD_POST;
  request->m_path = "/events";
  request->m_body = document;
  request->m_contentType = "text/xml";
  auto* command = new CHttpCommand(HTTP_CMD_WRITE_REQUEST, request);
  if (m_connections.PostCommand(threadId, command)) return true;
  delete command;
  Log("E", ClientText(threadId) + " refused an event notification; it is dropped.");
  return false;
}

void CRemoteEvents::ReSendXMLNotification(LONG deviceNumber, const CString& document) {
  auto known = m_deviceConnections.find(deviceNumber);
  if (known == m_deviceConnections.end()) {
    Log("E", "ReSendXMLNotification: Could not find outbound socket for DeviceID " + Unsigned(deviceNumber));
    return;
  }
  const LONG state = m_connections.GetState(known->second);
  if (state == -2) {
    Log("E", "ReSendXMLNotification: Could not find outbound socket with ThreadID " +
                 Number(static_cast<LONG>(known->second)));
    return;
  }
  if (state <= 0) {
    Log("E", "ReSendXMLNotification: Socket no longer connected for DeviceID " + Unsigned(deviceNumber) + ", code " +
                 Number(state));
    return;
  }
  QueueEventPost(known->second, document);
}

LONG CRemoteEvents::DeviceOfThread(DWORD threadId) const {
  auto found = m_connectionDevices.find(threadId);
  return found == m_connectionDevices.end() ? 0 : found->second;
}

int CRemoteEvents::DiscardHeld(DWORD threadId) {
  const LONG device = DeviceOfThread(threadId);
  const int count = m_held.Count(device);
  m_held.Forget(device);
  return count;
}

void CRemoteEvents::SendHeld(DWORD threadId) {
  const LONG device = DeviceOfThread(threadId);
  for (const CString& document : m_held.Take(device)) ReSendXMLNotification(device, document);
}

void CRemoteEvents::ProcessClientThreadStatus(WPARAM code, LPARAM block) {
  switch (code) {
    case NOTICE_INFO: {
      std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
      if (!notice || m_exiting) break;
      if (notice->m_linkState == LINK_NO_SOCKET) {
        Log("W", ClientText(notice->m_threadId) + " has closed its connection.");
        const int count = DiscardHeld(notice->m_threadId);
        Log("W", ClientText(notice->m_threadId) + " had " + Number(count) + " pending commands which were marked complete.");
      } else if (notice->m_linkState == LINK_IDLE) {
        SendHeld(notice->m_threadId);
      }
      break;
    }
    case NOTICE_ERROR: {
      std::unique_ptr<CHttpNotice> notice(reinterpret_cast<CHttpNotice*>(block));
      if (!notice) break;
      Log("E", ClientText(notice->m_threadId) + " has generated error code - " + Number(notice->m_code) + " (" +
                   notice->m_text + ")");
      if (ClosesConnection(notice->m_code)) {
        auto* close = new CHttpCommand(HTTP_CMD_CLOSE);
        if (!m_connections.PostCommand(notice->m_threadId, close)) delete close;
        const int count = DiscardHeld(notice->m_threadId);
        Log("E", ClientText(notice->m_threadId) + " had " + Number(count) + " pending commands which were marked complete.");
      }
      break;
    }
    case NOTICE_RESPONSE: {
      std::unique_ptr<CHttpResponse> response(reinterpret_cast<CHttpResponse*>(block));
      if (response) Log("I", ClientText(response->m_threadId) + " received HTTP response " + Number(response->m_status));
      break;
    }
    case NOTICE_REQUEST: delete reinterpret_cast<CHttpResponse*>(block); break;
    case NOTICE_WRITTEN:
    case NOTICE_SESSION: delete reinterpret_cast<CHttpNotice*>(block); break;
    case NOTICE_THREAD_ENDING: {
      const auto threadId = static_cast<DWORD>(block);
      if (threadId != 0 && !m_exiting) Log("I", ClientText(threadId) + " is exiting.");
      break;
    }
    default: Log("E", "Client thread 0x???????? generated an invalid notification type."); break;
  }
}

void CRemoteEvents::CloseAll() {
  m_connections.CloseAll();
  m_deviceConnections.clear();
  m_connectionDevices.clear();
}
