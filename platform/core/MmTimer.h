// Multimedia timers: one-shot and periodic callbacks with millisecond periods, all run on one timer
// thread of the process. A callback must be short (the system's callbacks only post a message).
//
// timeKillEvent is safe from any thread and from inside the timer's own callback: when it returns,
// no callback of that timer runs or will run, except the one that called it.
#pragma once

#include "platform/core/WinTypes.h"

using MMRESULT = UINT;
using LPTIMECALLBACK = void (*)(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1, DWORD_PTR reserved2);

#define TIME_ONESHOT 0x0000u
#define TIME_PERIODIC 0x0001u
#define TIME_CALLBACK_FUNCTION 0x0000u

#define TIMERR_NOERROR 0u
#define TIMERR_NOCANDO 97u
#define MMSYSERR_INVALPARAM 11u

// The longest delay a timer accepts, in milliseconds.
#define QH_TIMER_MAX_DELAY 1000000u

// Starts a timer that calls `callback(id, 0, user, 0, 0)` after `delay` ms, and then every `delay`
// ms with TIME_PERIODIC. Returns the timer's id, or 0 when delay is 0 or above the maximum or the
// callback is null. `resolution` is accepted and not needed: the timer thread wakes to the millisecond.
MMRESULT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);
// TIMERR_NOERROR, or MMSYSERR_INVALPARAM for an id that is not a running timer.
MMRESULT timeKillEvent(UINT timerId);
// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD timeGetTime();
