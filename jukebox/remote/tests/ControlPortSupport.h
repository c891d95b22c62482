// What the control port's tests share: a jukebox started headless over a fresh song database with the
// remote control installed and its server on a port the system chooses, and outside peers (curl,
// python3, xmllint) run while the test's thread keeps the main window's messages flowing.
#pragma once

#include <string>
#include <vector>

#include "jukebox/app/tests/JukeboxTestSupport.h"
#include "jukebox/remote/RemoteControl.h"

namespace remote::test {

struct PeerResult {
  int exitCode = -1;
  std::string output;
};

// Runs `command` through the shell while pumping the thread's messages; its standard output and code.
PeerResult RunPeer(const std::string& command, int timeoutMs = 30000);
// xmllint's verdict on a document: empty when well-formed, else its complaint.
std::string XmlLintErrors(const std::string& document);
// The body of an HTTP reply that curl wrote with its headers (-i).
std::string BodyOf(const std::string& reply);
// The folder of the test's python peers.
std::string PeerScript(const char* name);

class ControlPortFixture {
 public:
  ControlPortFixture();
  ~ControlPortFixture();
  // Starts the jukebox with three recording zones; false when it did not start or the server does not
  // listen within a few seconds.
  bool Start();
  CRemoteControl& Control();
  WORD Port();
  std::string Url(const char* path);
  // POSTs `body` to `path` with the content type; the reply with headers.
  PeerResult Post(const char* path, const std::string& body, const char* contentType = "text/xml");
  jukebox::test::JukeboxEnvironment env;
};

}  // namespace remote::test
