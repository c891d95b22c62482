#include "jukebox/remote/tests/ControlPortSupport.h"

#include <cstdio>
#include <fstream>
#include <future>
#include <thread>

#include "jukebox/app/MasterWindow.h"

namespace remote::test {

PeerResult RunPeer(const std::string& command, int timeoutMs) {
  auto future = std::async(std::launch::async, [command] {
    PeerResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
  });
  jukebox::test::Pump(timeoutMs, [&] { return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
  return future.get();
}

std::string XmlLintErrors(const std::string& document) {
  char path[] = "/tmp/qh-remote-doc-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return "no temporary file";
  close(fd);
  std::ofstream(path, std::ios::binary) << document;
  const std::string command = std::string("xmllint --noout ") + path + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  char buffer[1024];
  size_t got;
  while (pipe && (got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  const int status = pipe ? pclose(pipe) : -1;
  unlink(path);
  if (status == 0) return std::string();
  return output.empty() ? "xmllint failed" : output;
}

std::string BodyOf(const std::string& reply) {
  const size_t end = reply.rfind("\r\n\r\n");
  return end == std::string::npos ? reply : reply.substr(end + 4);
}

std::string PeerScript(const char* name) { return std::string(QH_REMOTE_TEST_DIR) + "/" + name; }

ControlPortFixture::ControlPortFixture() {
  InstallRemoteControl();
  env.MakeDatabase();
  env.Profile().WriteProfileInt("Remote", "SocketNumber", 0);
  const char* devices[] = {"Card A", "Card B", "Card C"};
  for (int n = 1; n <= 3; ++n) {
    CString key;
    key.Format("Zone%d", n);
    env.Profile().WriteProfileString("Jukebox", key.GetString(), devices[n - 1]);
  }
}

ControlPortFixture::~ControlPortFixture() { SetRemotePortFactory(nullptr); }

bool ControlPortFixture::Start() {
  if (!env.Start()) return false;
  bool listening = false;
  jukebox::test::Pump(10000, [&] {
    listening = Control().IsServerRunning() && Port() != 0;
    return listening;
  });
  return listening;
}

CRemoteControl& ControlPortFixture::Control() {
  return *static_cast<CRemoteControl*>(env.App()->GetMainWindow()->GetRemotePort());
}

WORD ControlPortFixture::Port() { return Control().GetBoundPort(); }

std::string ControlPortFixture::Url(const char* path) {
  return "http://127.0.0.1:" + std::to_string(Port()) + path;
}

PeerResult ControlPortFixture::Post(const char* path, const std::string& body, const char* contentType) {
  char file[] = "/tmp/qh-remote-body-XXXXXX";
  const int fd = mkstemp(file);
  if (fd < 0) return {};
  close(fd);
  std::ofstream(file, std::ios::binary) << body;
  const std::string command = "curl -s -i -m 20 -X POST -H 'Content-Type: " + std::string(contentType) +
                              "' --data-binary @" + file + " '" + Url(path) + "'";
  PeerResult result = RunPeer(command);
  unlink(file);
  return result;
}

}  // namespace remote::test
