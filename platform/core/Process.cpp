#include "platform/core/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include "platform/core/Cp1252.h"
#include "platform/core/Module.h"
#include "platform/core/Paths.h"

extern char** environ;

namespace qh {
namespace {

// A child process as a kernel object: signalled when it has ended. The child is reaped under the
// kernel lock, so while `finished` is false its pid cannot have been given to another process.
class ProcessObject : public KernelObject {
 public:
  explicit ProcessObject(pid_t pid) : pid_(pid) {}
  bool IsSignalledLocked(DWORD) const override { return finished_; }
  pid_t Pid() const { return pid_; }

  DWORD ExitCode() const {
    std::lock_guard guard(KernelStateLock());
    return finished_ ? exitCode_ : STILL_ACTIVE;
  }

  BOOL Terminate(UINT exitCode) {
    std::lock_guard guard(KernelStateLock());
    if (finished_) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    terminateCode_ = exitCode;
    kill(pid_, SIGKILL);
    return TRUE;
  }

  // Waits (on its own thread) until the child has ended, then reaps it and signals.
  static void Watch(std::shared_ptr<ProcessObject> process) {
    std::thread([process] {
      siginfo_t info{};
      while (waitid(P_PID, static_cast<id_t>(process->pid_), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
      }
      std::lock_guard guard(KernelStateLock());
      int status = 0;
      const bool reaped = waitpid(process->pid_, &status, 0) == process->pid_;
      if (!reaped)
        process->exitCode_ = 0xFFFFFFFFu;  // reaped by someone else: the status is lost
      else if (WIFEXITED(status))
        process->exitCode_ = static_cast<DWORD>(WEXITSTATUS(status));
      else if (process->terminateCode_)
        process->exitCode_ = *process->terminateCode_;
      else
        process->exitCode_ = 128u + static_cast<DWORD>(WTERMSIG(status));
      process->finished_ = true;
      process->NotifyWaitersLocked();
    }).detach();
  }

 private:
  const pid_t pid_;
  bool finished_ = false;
  DWORD exitCode_ = STILL_ACTIVE;
  std::optional<UINT> terminateCode_;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsExecutableFile(const std::string& hostPath) {
  struct stat info {};
  return !hostPath.empty() && stat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         access(hostPath.c_str(), X_OK) == 0;
}

bool EndsWithExe(const std::string& name) {
  return name.size() > 4 && Cp1252EqualNoCase(std::string_view(name).substr(name.size() - 4), ".exe");
}

// Where a bare program name is looked for: the program's folder, the current directory, PATH.
std::vector<std::string> SearchFolders() {
  std::vector<std::string> folders;
  if (std::string own = ProgramHostFolder(); !own.empty()) folders.push_back(own);
  folders.push_back("");  // the current directory, through the path layer
  if (const char* path = std::getenv("PATH")) {
    std::string_view rest = path;
    while (!rest.empty()) {
      const auto colon = rest.find(':');
      if (auto folder = rest.substr(0, colon); !folder.empty()) folders.emplace_back(folder);
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  }
  return folders;
}

// The host path of the program a name of the system means, with ".exe" dropped when only the
// name without it exists.
std::optional<std::string> FindProgram(const std::string& name) {
  std::vector<std::string> candidates{name};
  if (EndsWithExe(name)) candidates.push_back(name.substr(0, name.size() - 4));
  const bool hasFolder = name.find_first_of("\\/:") != std::string::npos;
  const std::vector<std::string> folders = hasFolder ? std::vector<std::string>{""} : SearchFolders();
  for (const std::string& folder : folders) {
    for (const std::string& candidate : candidates) {
      const std::string hostPath =
          folder.empty() ? HostPathOf(candidate.c_str()) : folder + "/" + Cp1252ToUtf8(candidate);
      if (IsExecutableFile(hostPath)) return hostPath;
    }
  }
  return std::nullopt;
}

DWORD ErrorFromSpawn(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case ENOEXEC: return ERROR_ACCESS_DENIED;
    case ENOMEM:
    case EAGAIN: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_INVALID_FUNCTION;
  }
}

std::vector<std::string> EnvironmentBlock(LPVOID environment) {
  std::vector<std::string> variables;
  if (!environment) {
    for (char** variable = environ; *variable; ++variable) variables.emplace_back(*variable);
    return variables;
  }
  for (const char* entry = static_cast<const char*>(environment); *entry; entry += std::strlen(entry) + 1)
    variables.push_back(Cp1252ToUtf8(entry));
  return variables;
}

std::vector<char*> PointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Starts a host program; returns its process object, or null with GetLastError() set.
std::shared_ptr<ProcessObject> Spawn(const std::string& hostProgram, std::vector<std::string> arguments,
                                     std::vector<std::string> environment, const std::string& hostDirectory) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!hostDirectory.empty()) posix_spawn_file_actions_addchdir_np(&actions, hostDirectory.c_str());
  // Dispositions this process may have changed (an ignored SIGPIPE) would pass to the child.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults, noneBlocked;
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD, SIGUSR1, SIGUSR2}) sigaddset(&defaults, signal);
  sigemptyset(&noneBlocked);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &noneBlocked);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  auto argv = PointersTo(arguments);
  auto envp = PointersTo(environment);
  pid_t pid = -1;
  const int error = posix_spawn(&pid, hostProgram.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) {
    SetLastError(ErrorFromSpawn(error));
    return nullptr;
  }
  auto process = std::make_shared<ProcessObject>(pid);
  ProcessObject::Watch(process);
  return process;
}

std::vector<std::string> ToUtf8(const std::vector<std::string>& texts) {
  std::vector<std::string> converted;
  for (const auto& text : texts) converted.push_back(Cp1252ToUtf8(text));
  return converted;
}

bool IsAddress(std::string_view target) {
  return target.find("://") != std::string_view::npos || target.starts_with("mailto:");
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> arguments;
  size_t pos = 0;
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  if (pos == line.size()) return arguments;
  // The program name: quotes group, nothing is escaped.
  std::string program;
  for (bool quoted = false; pos < line.size() && (quoted || !IsBlank(line[pos])); ++pos) {
    if (line[pos] == '"')
      quoted = !quoted;
    else
      program += line[pos];
  }
  arguments.push_back(program);
  for (;;) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos == line.size()) break;
    std::string argument;
    bool quoted = false;
    while (pos < line.size() && (quoted || !IsBlank(line[pos]))) {
      if (line[pos] == '\\') {
        size_t count = 0;
        while (pos < line.size() && line[pos] == '\\') ++count, ++pos;
        if (pos < line.size() && line[pos] == '"') {
          argument.append(count / 2, '\\');
          if (count % 2) argument += line[pos++];  // an escaped quote
        } else {
          argument.append(count, '\\');
        }
      } else if (line[pos] == '"') {
        if (quoted && pos + 1 < line.size() && line[pos + 1] == '"') {
          argument += '"';  // "" inside quotes is one quote
          pos += 2;
        } else {
          quoted = !quoted;
          ++pos;
        }
      } else {
        argument += line[pos++];
      }
    }
    arguments.push_back(argument);
  }
  return arguments;
}

}  // namespace qh

BOOL CreateProcess(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                   LPSECURITY_ATTRIBUTES threadSecurity, BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                   LPCSTR currentDirectory, LPSTARTUPINFO startupInfo, LPPROCESS_INFORMATION processInformation) {
  std::vector<std::string> arguments = qh::SplitCommandLine(commandLine ? commandLine : "");
  const bool hasApplication = applicationName && *applicationName;
  if (!hasApplication && arguments.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (arguments.empty()) arguments.push_back(applicationName);
  const auto program = qh::FindProgram(hasApplication ? applicationName : arguments.front());
  if (!program) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::string hostDirectory;
  if (currentDirectory && *currentDirectory) {
    hostDirectory = qh::HostPathOf(currentDirectory);
    struct stat info {};
    if (hostDirectory.empty() || stat(hostDirectory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      SetLastError(ERROR_DIRECTORY);
      return FALSE;
    }
  }
  auto process = qh::Spawn(*program, qh::ToUtf8(arguments), qh::EnvironmentBlock(environment), hostDirectory);
  if (!process) return FALSE;
  if (processInformation) {
    processInformation->hProcess = qh::RegisterHandle(process);
    processInformation->hThread = qh::RegisterHandle(process);
    processInformation->dwProcessId = static_cast<DWORD>(process->Pid());
    processInformation->dwThreadId = static_cast<DWORD>(process->Pid());
  }
  return TRUE;
}

BOOL GetExitCodeProcess(HANDLE handle, LPDWORD exitCode) {
  auto process = qh::LookupHandleAs<qh::ProcessObject>(handle);
  if (!process || !exitCode) {
    SetLastError(process ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  *exitCode = process->ExitCode();
  return TRUE;
}

BOOL TerminateProcess(HANDLE handle, UINT exitCode) {
  auto process = qh::LookupHandleAs<qh::ProcessObject>(handle);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return process->Terminate(exitCode);
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

namespace {

HINSTANCE ShellResult(INT_PTR value) { return reinterpret_cast<HINSTANCE>(value); }

// How long ShellExecute waits to learn whether the handler could open the document. Handlers that
// stay open (some desktops run the viewer inside xdg-open) count as success after it.
constexpr DWORD kHandlerVerdictMilliseconds = 2000;

}  // namespace

HINSTANCE ShellExecute(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                       INT showCommand) {
  if (operation && *operation && !Cp1252EqualNoCase(operation, "open") && !Cp1252EqualNoCase(operation, "explore"))
    return ShellResult(SE_ERR_NOASSOC);
  if (!file || !*file) return ShellResult(SE_ERR_FNF);
  std::string target;
  if (qh::IsAddress(file)) {
    target = Cp1252ToUtf8(file);
  } else {
    std::string path = file;
    const bool relative = path.find_first_of("\\/:") != 0 && path.find(':') == std::string::npos;
    if (relative && directory && *directory) path = std::string(directory) + "\\" + path;
    target = qh::HostPathOf(path.c_str());
    struct stat info {};
    if (target.empty() || stat(target.c_str(), &info) != 0) return ShellResult(SE_ERR_FNF);
  }
  const auto opener = qh::FindProgram("xdg-open");
  if (!opener) {
    std::fprintf(stderr, "ShellExecute: xdg-open is not installed; cannot open %s\n", target.c_str());
    return ShellResult(SE_ERR_NOASSOC);
  }
  auto process = qh::Spawn(*opener, {"xdg-open", target}, qh::EnvironmentBlock(nullptr), "");
  if (!process) return ShellResult(SE_ERR_OOM);
  const qh::KernelObjectPtr objects[] = {process};
  if (qh::WaitForObjects(objects, false, kHandlerVerdictMilliseconds) == WAIT_OBJECT_0 && process->ExitCode() != 0) {
    std::fprintf(stderr, "ShellExecute: xdg-open could not open %s (status %u)\n", target.c_str(), process->ExitCode());
    return ShellResult(SE_ERR_NOASSOC);
  }
  return ShellResult(42);
}
