#include "recorder/capture/CaptureQueue.h"

#include <cstdio>

void CCaptureQueue::Open(HWND window) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_window = window;
  m_open = true;
}

void CCaptureQueue::Close() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_open = false;
}

bool CCaptureQueue::TakeFilled(HWAVEIN device, WAVEHDR* header) {
  // The lock is held across the check and the new queueing, so a Close that has returned is never
  // followed by a buffer queued again behind the reset.
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_open) return false;
  const bool kept = header->dwBytesRecorded > 0;
  if (kept) m_chunks.emplace_back(header->lpData, header->lpData + header->dwBytesRecorded);
  MMRESULT result = waveInAddBuffer(device, header, sizeof(WAVEHDR));
  if (result != MMSYSERR_NOERROR) std::fprintf(stderr, "wave-in: a filled buffer could not be queued again (%u)\n", result);
  return kept;
}

std::deque<CCaptureQueue::Chunk> CCaptureQueue::Drain() {
  std::lock_guard<std::mutex> guard(m_lock);
  std::deque<Chunk> taken;
  taken.swap(m_chunks);
  return taken;
}
