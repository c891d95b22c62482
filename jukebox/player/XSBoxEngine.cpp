#include "jukebox/player/XSBoxEngine.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <new>
#include <thread>

#include "dblib/Song.h"
#include "jukebox/app/services/JukeboxServices.h"
#include "platform/core/DateTime.h"
#include "platform/core/Paths.h"
#include "platform/ui/WinUser.h"

namespace {

constexpr char kLogSource[] = "XSStreamWindow";
constexpr DWORD kRefusedPostRetries = 20;
constexpr auto kRefusedPostPause = std::chrono::milliseconds(50);

// The socket errors after which a connection is closed: network down or unreachable, reset, aborted,
// refused and host unreachable.
bool ClosesConnection(LONG error) {
  switch (error) {
    case WSAENETDOWN:
    case WSAENETUNREACH:
    case WSAENETRESET:
    case WSAECONNABORTED:
    case WSAECONNRESET:
    case WSAECONNREFUSED:
    case WSAEHOSTUNREACH:
      return true;
    default:
      return false;
  }
}

bool HasEnded(const CTcpClientThread* thread) {
  return thread->m_hThread == nullptr || WaitForSingleObject(thread->m_hThread, 0) == WAIT_OBJECT_0;
}

}  // namespace

CXSBoxEngine::CXSBoxEngine(CXSEngineHost& host) : m_host(host) {}

CXSBoxEngine::~CXSBoxEngine() {
  StopThreads();
  CloseFile();
}

void CXSBoxEngine::SetPorts(WORD controlPort, WORD audioPort) {
  m_controlPort = controlPort;
  m_audioPort = audioPort;
}

void CXSBoxEngine::Log(const char* level, const CString& text) {
  if (CJukeboxServices* services = JukeboxServices()) services->WriteErrorLog(level, kLogSource, text);
}

void CXSBoxEngine::LogForUser(const CString& text) {
  if (CJukeboxServices* services = JukeboxServices()) services->LogEvent("E", kLogSource, text);
}

CString CXSBoxEngine::ThreadIdText(const CTcpClientThread* thread) const {
  char text[16] = {};
  std::snprintf(text, sizeof(text), "%X", thread ? static_cast<unsigned>(thread->m_nThreadID) : 0u);
  return CString(text);
}

bool CXSBoxEngine::IsLocked(const tSong& song) {
  CJukeboxServices* services = JukeboxServices();
  return services != nullptr && services->IsSongLocked(song.SongID);
}

// ---- Threads and the control connection ----------------------------------------------------------

CTcpClientThread* CXSBoxEngine::MakeThread(UINT message) {
  auto* thread = new (std::nothrow) CTcpClientThread;
  if (thread == nullptr) return nullptr;
  thread->m_bAutoDelete = FALSE;
  if (!thread->CreateThread(CREATE_SUSPENDED) || !thread->Init(m_host.EngineWindow(), message) ||
      thread->ResumeThread() >= 2) {
    delete thread;
    return nullptr;
  }
  return thread;
}

bool CXSBoxEngine::StartThreads() {
  if (m_audioThread == nullptr && (m_audioThread = MakeThread(WM_XS_AUDIO_NOTIFY)) == nullptr) return false;
  if (m_controlThread == nullptr && (m_controlThread = MakeThread(WM_XS_CONTROL_NOTIFY)) == nullptr) return false;
  m_pendingCommands.push_back(kXSCommandHello);
  ConnectControl();
  ConnectAudio();
  return true;
}

bool CXSBoxEngine::PostTo(CTcpClientThread* thread, CTcpRequest* request) {
  if (thread != nullptr && thread->PostRequest(request)) return true;
  delete request;
  return false;
}

bool CXSBoxEngine::PostConnect(CTcpClientThread* thread, WORD port) {
  auto* target = new CTcpConnect;
  target->m_host = m_boxAddress;
  target->m_port = port;
  if (PostTo(thread, new CTcpRequest(target))) return true;
  Log("E", "Exstreamer thread 0x" + ThreadIdText(thread) + " refused a connect request");
  return false;
}

bool CXSBoxEngine::ConnectControl() {
  PostConnect(m_controlThread, m_controlPort);
  return true;
}

bool CXSBoxEngine::ConnectAudio() {
  // Until the thread reports the outcome, a second connect would only meet "already connected".
  m_audioConnectPending = PostConnect(m_audioThread, m_audioPort);
  return true;
}

LONG CXSBoxEngine::QueueCommand(const CString& text) {
  if (m_controlThread == nullptr) return -1;
  const LONG state = m_controlThread->GetState();
  switch (state) {
    case TCP_NOT_CONNECTED:
    case TCP_CONNECTING:
      if (static_cast<int>(m_pendingCommands.size()) >= kXSMaxPendingCommands) return -98;
      m_pendingCommands.push_back(text);
      if (state == TCP_NOT_CONNECTED) ConnectControl();
      return static_cast<LONG>(m_pendingCommands.size());
    case TCP_CONNECTED:
      // The connection can be up before its notice has flushed the waiting commands: they go first.
      FlushPendingCommands();
      PostCommand(text);
      return 0;
    default:
      return state;
  }
}

int CXSBoxEngine::FlushPendingCommands() {
  int sent = 0;
  while (!m_pendingCommands.empty()) {
    CString text = m_pendingCommands.front();
    m_pendingCommands.pop_front();
    if (PostCommand(text)) ++sent;
  }
  return sent;
}

bool CXSBoxEngine::PostCommand(const CString& text) {
  if (!PostTo(m_controlThread, new CTcpRequest(TCP_REQUEST_SEND_TEXT, CTcpSendRecord::Text(text)))) {
    Log("E", "Exstreamer Control thread 0x" + ThreadIdText(m_controlThread) + " refused the command " + text);
    return false;
  }
  m_commandsUnwritten.push_back(text == kXSCommandStop);
  return true;
}

bool CXSBoxEngine::IsStopUnwritten() const {
  for (bool stop : m_commandsUnwritten)
    if (stop) return true;
  for (const CString& text : m_pendingCommands)
    if (text == kXSCommandStop) return true;
  return false;
}

void CXSBoxEngine::ConnectForNewStream() {
  // The control and the audio connection are two ways into the box, and it may take whatever reaches
  // it first. The new stream's connection opens only once the stop (and so every command before it) has
  // been written: a box that took the new connection before that stop would end the new stream with it.
  if (IsStopUnwritten()) {
    m_connectAfterStop = true;
    return;
  }
  ConnectAudio();
}

void CXSBoxEngine::OnCommandsWritten() {
  if (!m_connectAfterStop || IsStopUnwritten()) return;
  m_connectAfterStop = false;
  if (m_audioRestart && !m_closing && m_closesAwaited == 0) ConnectAudio();
}

void CXSBoxEngine::SendVolume(int level) { QueueCommand(XSVolumeCommand(level)); }

void CXSBoxEngine::CloseThreads() {
  m_closing = true;
  for (CTcpClientThread** slot : {&m_controlThread, &m_audioThread}) {
    if (*slot == nullptr || PostTo(*slot, new CTcpRequest(TCP_REQUEST_END))) continue;
    // A thread that cannot take the request would never send its exit notice: end it here.
    EndThread(*slot);
  }
  if (m_audioThread == nullptr && m_controlThread == nullptr) m_host.ThreadsGone();
}

void CXSBoxEngine::StopThreads() {
  m_closing = true;
  EndThread(m_audioThread);
  EndThread(m_controlThread);
  FreeWaitingNotices();
}

void CXSBoxEngine::FreeWaitingNotices() {
  // Notices the threads posted before they ended would otherwise die with the window, blocks and all.
  HWND window = m_host.EngineWindow();
  if (window == nullptr) return;
  MSG message;
  while (PeekMessage(&message, window, WM_XS_AUDIO_NOTIFY, WM_XS_CONTROL_NOTIFY, PM_REMOVE)) {
    if (message.wParam == TCP_NOTICE_DATA)
      delete reinterpret_cast<CTcpReceivedData*>(message.lParam);
    else if (message.wParam != TCP_NOTICE_EXIT)
      delete reinterpret_cast<CTcpNotice*>(message.lParam);
  }
}

void CXSBoxEngine::EndThread(CTcpClientThread*& slot) {
  CTcpClientThread* thread = slot;
  if (thread == nullptr) return;
  slot = nullptr;
  if (!HasEnded(thread)) {
    bool asked = false;
    for (DWORD attempt = 0; attempt < kRefusedPostRetries && !asked; ++attempt) {
      auto* end = new CTcpRequest(TCP_REQUEST_END);
      asked = thread->PostRequest(end);
      if (!asked) {
        delete end;
        std::this_thread::sleep_for(kRefusedPostPause);
      }
    }
    WaitForSingleObject(thread->m_hThread, kThreadEndWait);
  }
  if (HasEnded(thread)) {
    delete thread;
  } else {
    // Deleting a thread object under its running thread would be worse than keeping it.
    Log("E", "Exstreamer thread 0x" + ThreadIdText(thread) + " did not end in time and is left running");
  }
}

void CXSBoxEngine::OnThreadExit(CTcpClientThread*& thread, const char* which, LPARAM threadId) {
  if (threadId == 0 || !m_closing || thread == nullptr) return;
  Log("I", CString("Exstreamer ") + which + " thread 0x" + ThreadIdText(thread) + " is exiting.");
  CTcpClientThread* ending = thread;
  thread = nullptr;
  // The notice is posted just before the thread function returns: wait for that, boundedly.
  WaitForSingleObject(ending->m_hThread, kThreadEndWait);
  if (HasEnded(ending))
    delete ending;
  else
    Log("E", CString("Exstreamer ") + which + " thread did not end in time and is left running");
  if (m_audioThread == nullptr && m_controlThread == nullptr) m_host.ThreadsGone();
}

// ---- Songs -------------------------------------------------------------------------------------------

std::FILE* CXSBoxEngine::OpenSongData(tSong* song, PreparedValues& values) {
  CString name = song->GetMediaFileName();
  std::string hostPath = qh::HostPathOf(name);
  if (hostPath.empty()) return nullptr;
  std::FILE* file = std::fopen(hostPath.c_str(), "rb");
  if (file == nullptr) return nullptr;
  values.dataOffset = song->DataOffset > 0 ? static_cast<DWORD>(song->DataOffset) : 0;
  values.dataSize = song->DataBytes > 0 ? static_cast<DWORD>(song->DataBytes) : 0;
  if (values.dataSize == 0) {
    // Without a scanned size the data runs to the end of the file.
    struct stat info{};
    if (fstat(fileno(file), &info) == 0 && info.st_size > static_cast<off_t>(values.dataOffset))
      values.dataSize = static_cast<DWORD>(info.st_size - values.dataOffset);
  }
  values.lengthText = FormatDuration(song->SongLengthMS);
  if (std::fseek(file, static_cast<long>(values.dataOffset), SEEK_SET) != 0) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

void CXSBoxEngine::UseFile(std::FILE* file) {
  CloseFile();
  m_songFile = file;
  m_endOfDataPosted = false;
  // An end of data still on its way for the file before is that file's, not this one's.
  ++m_fileGeneration;
}

void CXSBoxEngine::CloseFile() {
  if (m_songFile) std::fclose(m_songFile);
  m_songFile = nullptr;
}

void CXSBoxEngine::ForgetPreparedSong() {
  m_prepared.clear();
  m_endOfDataDeferred = false;
}

bool CXSBoxEngine::CheckSong(tSong& song, PreparedValues& values) {
  CString text;
  if (IsLocked(song)) {
    text.Format(XSMessageText(61408), song.SongID);
    Log("E", text);
    return false;
  }
  song.GetMediaFileName();
  song.ReadMediaInfo();
  values.fileType = m_fileType;
  values.bitRate = m_bitRate;
  if (XSSongFormat(song, values.fileType, values.bitRate)) return true;
  text.Format(XSMessageText(61395), song.SongID);
  LogForUser(text);
  return false;
}

void CXSBoxEngine::MakeCurrent(const PreparedValues& values) {
  m_dataOffset = values.dataOffset;
  m_dataSize = values.dataSize;
  m_bitRate = values.bitRate;
  m_fileType = values.fileType;
  m_lengthText = values.lengthText;
}

int CXSBoxEngine::PlaySong(tSong* song) {
  PreparedValues values;
  if (song == nullptr || !CheckSong(*song, values)) return -1;
  // The new song's file is opened before anything of the stream is touched: a song that cannot be read
  // leaves the playing one as it was, and the song tried after it finds the stream as it is.
  std::FILE* file = OpenSongData(song, values);
  if (file == nullptr) return -1;
  bool fresh = false;
  if (m_audioRestart) {
    // A change whose new stream has not started yet: the box has been told to stop, and is told to
    // start when the new connection is up, which then carries this song. A second stop would travel on
    // the control connection while the new audio connection comes up on its own: a box that took the
    // new connection first would end the stream this stop was never meant for.
  } else if (m_streaming) {
    // Whether the box has a stream to stop does not depend on a file being open: the data of the
    // playing song may all be out, with nothing prepared behind it. The stop goes out first, so the box
    // has it before the new connection can bring it data.
    QueueCommand(kXSCommandStop);
    CloseAudio();
    m_audioRestart = true;
  } else if (m_closesAwaited > 0) {
    // A stopped stream's connection is still closing: the new stream starts on the one opened after it.
    m_audioRestart = true;
  } else {
    fresh = true;
  }
  ForgetPreparedSong();
  UseFile(file);
  m_streaming = true;
  MakeCurrent(values);
  StartByteCount();
  if (fresh) {
    QueueCommand(kXSCommandStartStream);
    SendNextChunk();
  }
  song->SetUserData(1);
  m_host.SongStarted(song, m_fileType, m_lengthText);
  return 0;
}

void CXSBoxEngine::StopStream() {
  m_audioRestart = false;
  m_connectAfterStop = false;
  m_streaming = false;
  CloseAudio();
  QueueCommand(kXSCommandStop);
  CloseFile();
  ForgetPreparedSong();
}

void CXSBoxEngine::CloseSongFile() {
  m_streaming = false;
  m_connectAfterStop = false;
  m_dataOffset = 0;
  m_dataSize = 0;
  m_bitRate = 0;
  m_lastReport = 0;
  StartByteCount();
  CloseFile();
  ForgetPreparedSong();
}

int CXSBoxEngine::PrepareNextSong(tSong* song, int index) {
  // The file whose data ran out is done with, whatever comes next: nothing more is read from it.
  CloseFile();
  PreparedValues values;
  if (song == nullptr || !CheckSong(*song, values)) return -1;
  std::FILE* file = OpenSongData(song, values);
  if (file == nullptr) return -1;
  UseFile(file);
  song->SetUserData(1);
  m_prepared.push_back(PreparedSong{std::make_unique<tSong>(*song), values, index});
  return 0;
}

bool CXSBoxEngine::PromotePreparedSong() {
  if (m_prepared.empty()) return false;
  QueueCommand(kXSCommandNextStream);
  PreparedSong next = std::move(m_prepared.front());
  m_prepared.pop_front();
  const PreparedValues& values = next.values;
  const bool deferred = m_endOfDataDeferred;
  m_endOfDataDeferred = false;
  // The box restarts its count when the command arrives. Only what its own count shows it played
  // beyond the old song's end belongs to the new song; the start-up allowance added to the count is
  // no part of it, or every song after the first would change over early.
  const DWORD overshoot = m_lastReport > m_dataSize ? m_lastReport - m_dataSize : 0;
  StartByteCount();
  m_byteCarry = overshoot;
  MakeCurrent(values);
  m_host.SongPromoted(*next.song, next.index, m_fileType, m_lengthText);
  // The promoted song's data had already run out: choose the song after it now.
  if (deferred) OnEndOfData();
  return true;
}

void CXSBoxEngine::OnEndOfDataNotice(WPARAM fileGeneration) {
  if (fileGeneration == m_fileGeneration) OnEndOfData();
}

void CXSBoxEngine::OnEndOfData() {
  if (m_closing) return;
  if (m_prepared.size() >= kMaxPreparedSongs) {
    // Songs so short that this many are on their way: the next is chosen when one becomes current.
    m_endOfDataDeferred = true;
    return;
  }
  if (ChooseAndPrepare()) ContinueStream();
}

void CXSBoxEngine::ContinueStream() {
  // Only an open connection takes the next block; a connection that has just dropped reports its
  // close, and that report decides between a new connection and a stopped zone. The connection may
  // drop at any moment on the audio thread, so the block goes out through SendBlock, which never
  // opens a connection: SendNextChunk would take a connection that dropped since the check above for
  // one to reopen, and the box that closed it would get the song again instead of a stopped zone.
  if (!m_closing && !m_blockInFlight && !m_audioRestart && m_audioThread != nullptr &&
      m_audioThread->GetState() == TCP_CONNECTED)
    SendBlock();
}

bool CXSBoxEngine::ChooseAndPrepare() {
  // The choice follows the song whose data ran out: the last one prepared, else the current one.
  int candidate = m_prepared.empty() ? m_host.CurrentIndex() : m_prepared.back().index;
  const tSong* last = m_prepared.empty() ? m_host.PlayingSong() : m_prepared.back().song.get();
  if (m_host.IsRepeatOn()) {
    // The same song follows itself on the same connection, so its end is never cut.
    if (last != nullptr) {
      tSong again(*last);
      if (PrepareNextSong(&again, candidate) == 0) return true;
    }
    GiveUpPreparing();
    return false;
  }
  const int chosen = ChooseNextSong(m_host, candidate, m_host.IsShuffleOn(), [&](int index) {
    return PrepareNextSong(m_host.QueueSong(index), index);
  });
  if (chosen != kNoSongChosen) return true;
  GiveUpPreparing();
  return false;
}

void CXSBoxEngine::StartByteCount() {
  m_bytesPlayed = 0;
  m_byteCarry = 0;
  // Only a count that has run before can still send reports from before its restart.
  m_awaitingCountRestart = m_lastReport > 0;
  m_countRestartTick = GetTickCount();
}

void CXSBoxEngine::OnByteReport(DWORD count) {
  // Reports the box sent before it restarted its count are still on their way for a moment: one that
  // is not below the last report before the restart belongs to the song before.
  if (m_awaitingCountRestart) {
    if (count >= m_lastReport && GetTickCount() - m_countRestartTick < kCountRestartWindowMs) return;
    m_awaitingCountRestart = false;
  }
  m_lastReport = count;
  const DWORD played = XSBytesPlayedFromCount(count);
  const DWORD limit = 0xFFFFFFFFu;
  m_bytesPlayed = played > limit - m_byteCarry ? limit : played + m_byteCarry;
  if (m_bytesPlayed >= m_dataSize) PromotePreparedSong();
}

void CXSBoxEngine::GiveUpPreparing() {
  m_host.NothingToPrepare();
  LogForUser(XSMessageText(61426));
}

void CXSBoxEngine::PostEndOfData() {
  if (m_endOfDataPosted) return;
  m_endOfDataPosted = true;
  PostMessage(m_host.EngineWindow(), WM_XS_END_OF_DATA, m_fileGeneration, 0);
}

bool CXSBoxEngine::SendNextChunk() {
  if (m_audioThread == nullptr) return false;
  const LONG state = m_audioThread->GetState();
  if (state == TCP_NOT_CONNECTED && !m_audioConnectPending) {
    m_audioRestart = true;
    ConnectAudio();
    return false;
  }
  if (state == TCP_NOT_CONNECTED || state == TCP_CONNECTING) {
    // The connection opened at start-up (or after a close) is not up yet: the data starts when it is.
    m_sendWhenConnected = m_songFile != nullptr;
    return false;
  }
  if (state != TCP_CONNECTED) return false;
  return SendBlock();
}

bool CXSBoxEngine::SendBlock() {
  if (m_songFile == nullptr || m_blockInFlight) return false;
  auto data = std::make_unique<char[]>(kXSBlockSize);
  size_t got = std::fread(data.get(), 1, kXSBlockSize, m_songFile);
  if (got == 0) {
    PostEndOfData();
    return false;
  }
  // The end is announced before the block leaves, so its written report cannot overtake it.
  if (got < kXSBlockSize) PostEndOfData();
  auto* record = CTcpSendRecord::Bytes(std::move(data), static_cast<DWORD>(got));
  if (!PostTo(m_audioThread, new CTcpRequest(TCP_REQUEST_SEND_BYTES, record))) {
    Log("E", "Exstreamer Audio thread 0x" + ThreadIdText(m_audioThread) + " refused a block of audio data");
    return false;
  }
  m_blockInFlight = true;
  return true;
}

bool CXSBoxEngine::CloseAudio() {
  PostTo(m_audioThread, new CTcpRequest(TCP_REQUEST_DROP));
  // The box may keep the connection open after a stop; close it here so the closed report comes.
  if (PostTo(m_audioThread, new CTcpRequest(TCP_REQUEST_CLOSE))) ++m_closesAwaited;
  m_blockInFlight = false;
  return true;
}

// ---- Notices -------------------------------------------------------------------------------------------

LRESULT CXSBoxEngine::OnAudioThreadNotify(WPARAM code, LPARAM record) {
  const CString id = ThreadIdText(m_audioThread);
  switch (code) {
    case TCP_NOTICE_INFO: {
      std::unique_ptr<CTcpNotice> notice(reinterpret_cast<CTcpNotice*>(record));
      if (m_closing || !notice) break;
      if (notice->m_threadState != TCP_THREAD_CONNECTING) m_audioConnectPending = false;
      if (notice->m_threadState == TCP_THREAD_IDLE) {
        m_blockInFlight = false;
        m_sendWhenConnected = false;
        if (m_closesAwaited > 0) --m_closesAwaited;
        // Two song changes in quick succession ask for two closes: only the report of the last one
        // may open the connection the new song goes out on.
        if (m_closesAwaited > 0) break;
        if (m_audioRestart) {
          ConnectForNewStream();
        } else {
          if (m_songFile != nullptr)
            Log("I", "Exstreamer Audio thread 0x" + id + " has closed its connection; the song is stopped.");
          CloseSongFile();
          m_host.StreamStopped();
        }
      } else if (notice->m_threadState == TCP_THREAD_CONNECTED) {
        Log("I", "Exstreamer Audio thread 0x" + id + " has connected with the Exstreamer at IP address " + m_boxAddress);
        // A connection that came up just before a song change asked to close it: its close report
        // follows, and the new song starts on the connection opened after that. Starting the box here
        // would spend the restart on a connection about to go, and the zone would stop.
        if (m_closesAwaited > 0) break;
        if (m_audioRestart) {
          m_audioRestart = false;
          m_sendWhenConnected = false;
          QueueCommand(kXSCommandStartStream);
          SendNextChunk();
        } else if (m_sendWhenConnected) {
          m_sendWhenConnected = false;
          SendNextChunk();
        }
      }
      break;
    }
    case TCP_NOTICE_ERROR: {
      std::unique_ptr<CTcpNotice> notice(reinterpret_cast<CTcpNotice*>(record));
      if (!notice) break;
      m_audioConnectPending = false;
      // An error of the connection a song change is closing anyway (the box may reset it on the stop)
      // must not cancel the new song; any other error that ends the connection stops the zone.
      if (OnSocketError("Audio", m_audioThread, *notice, "I") && m_closesAwaited == 0) m_audioRestart = false;
      break;
    }
    case TCP_NOTICE_DATA:
      delete reinterpret_cast<CTcpReceivedData*>(record);
      break;
    case TCP_NOTICE_WRITTEN:
      delete reinterpret_cast<CTcpNotice*>(record);
      m_blockInFlight = false;
      ContinueStream();
      break;
    case TCP_NOTICE_EXIT:
      OnThreadExit(m_audioThread, "Audio", record);
      break;
    default:
      LogInvalidNotice("Audio");
      break;
  }
  return -1;
}

LRESULT CXSBoxEngine::OnControlThreadNotify(WPARAM code, LPARAM record) {
  const CString id = ThreadIdText(m_controlThread);
  switch (code) {
    case TCP_NOTICE_INFO: {
      std::unique_ptr<CTcpNotice> notice(reinterpret_cast<CTcpNotice*>(record));
      if (m_closing || !notice) break;
      if (notice->m_threadState == TCP_THREAD_IDLE) {
        // Nothing more of what was sent or waits will be written: a new stream waits for none of it.
        m_pendingCommands.clear();
        m_commandsUnwritten.clear();
        OnCommandsWritten();
        m_replyReader.Reset();
        Log("I", "Exstreamer Control thread 0x" + id + " has closed its connection.");
      } else if (notice->m_threadState == TCP_THREAD_CONNECTED) {
        m_replyReader.Reset();
        Log("I", "Exstreamer Control thread 0x" + id + " has connected with the Exstreamer at IP address " + m_boxAddress);
        FlushPendingCommands();
      }
      break;
    }
    case TCP_NOTICE_ERROR: {
      std::unique_ptr<CTcpNotice> notice(reinterpret_cast<CTcpNotice*>(record));
      if (!notice) break;
      // A write that failed is never reported written: a new stream must not wait for it.
      m_commandsUnwritten.clear();
      OnCommandsWritten();
      OnSocketError("Control", m_controlThread, *notice, "E");
      break;
    }
    case TCP_NOTICE_DATA: {
      std::unique_ptr<CTcpReceivedData> data(reinterpret_cast<CTcpReceivedData*>(record));
      if (data) ParseControlReply(*data);
      break;
    }
    case TCP_NOTICE_WRITTEN:
      delete reinterpret_cast<CTcpNotice*>(record);
      // The control thread writes one command at a time, in order.
      if (!m_commandsUnwritten.empty()) m_commandsUnwritten.pop_front();
      OnCommandsWritten();
      break;
    case TCP_NOTICE_EXIT:
      OnThreadExit(m_controlThread, "Control", record);
      break;
    default:
      LogInvalidNotice("Control");
      break;
  }
  return -1;
}

bool CXSBoxEngine::OnSocketError(const char* which, CTcpClientThread* thread, const CTcpNotice& notice,
                                 const char* closeLevel) {
  const CString name = CString("Exstreamer ") + which + " thread 0x" + ThreadIdText(thread);
  Log("E", name + " has generated error code - " + CString(std::to_string(notice.m_code)) + " (" + notice.m_text + ")");
  if (!ClosesConnection(notice.m_code)) return false;
  Log(closeLevel, "Sending CLOSE command to " + name);
  PostTo(thread, new CTcpRequest(TCP_REQUEST_CLOSE));
  return true;
}

void CXSBoxEngine::LogInvalidNotice(const char* which) {
  Log("E", CString("Exstreamer ") + which + " thread 0x???????? generated an invalid notification type.");
}

void CXSBoxEngine::ParseControlReply(const CTcpReceivedData& data) {
  // Values kept for a log line live for one received block.
  CString hardwareType, ssid, wlanMode;
  for (const auto& [tag, value] : m_replyReader.Feed(data.m_buffer.get(), data.m_count))
    HandleReplyPair(tag, value, hardwareType, ssid, wlanMode);
}

void CXSBoxEngine::HandleReplyPair(const CString& tag, const CString& value, CString& hardwareType, CString& ssid,
                                   CString& wlanMode) {
  if (tag == "VOLUME") {
    m_host.BoxVolumeReported(XSVolumeFromLevel(value));
  } else if (tag == "BYTE") {
    OnByteReport(XSReportedCount(value));
  } else if (tag == "HWTYPE") {
    hardwareType = value;
  } else if (tag == "SOFTWAREVERS") {
    Log("I", "EXSTREAMER: Identified Exstreamer Remote Module at address " + m_boxAddress);
    Log("I", "EXSTREAMER: HWTYPE [" + hardwareType + "], SOFTWAREVERS [" + value + "]");
  } else if (tag == "SSID") {
    ssid = value;
  } else if (tag == "WLANMODE") {
    wlanMode = value;
  } else if (tag == "WEPMODE") {
    Log("I", "EXSTREAMER: SSID [" + ssid + "], WLANMODE [" + wlanMode + "], WEPMODE [" + value + "]");
  }
}
