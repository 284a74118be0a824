// The tests' side of tests/support/update_server.py: the port of the server
// that the CTest fixture started, addresses on it, what it saw, and the
// archive bytes it serves.
#pragma once
#include <wininet.h>
#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "support/paths.h"

namespace testsupport {

// The server's port (0 when the fixture did not start one).
inline int UpdateServerPort() {
  static int port = -1;
  if (port >= 0) return port;
  port = 0;
  const char* state = std::getenv("VASTREL_UPDATE_SERVER");
  if (!state) return port;
  std::wstring w = L"Z:";
  for (const char* p = state; *p; p++) w += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
  port = std::atoi(ReadBytes(w).c_str());
  return port;
}

// "http://127.0.0.1:<port>/" + prefix.
inline std::string UpdateSite(const std::string& prefix = "") {
  return "http://127.0.0.1:" + std::to_string(UpdateServerPort()) + "/" + prefix;
}

// The archive pattern the server sends (its body(n)).
inline std::string ArchiveBody(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; i++) s[i] = static_cast<char>((i * 31 + 7) % 256);
  return s;
}

// What the server answered at address (empty when it could not be read).
inline std::string FetchText(const std::string& address) {
  std::string out;
  HINTERNET net = InternetOpenA("test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (!net) return out;
  HINTERNET url = InternetOpenUrlA(net, address.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
  if (url) {
    char buf[4096];
    DWORD got = 0;
    while (InternetReadFile(url, buf, sizeof buf, &got) && got > 0) out.append(buf, got);
    InternetCloseHandle(url);
  }
  InternetCloseHandle(net);
  return out;
}

// The User-Agent of each request of path so far, one a line.
inline std::string SeenAgents(const std::string& path) { return FetchText(UpdateSite("_seen?path=") + path); }

// A port on 127.0.0.1 that refuses connections while the object lives
// (bound, never listening).
class ClosedPort {
 public:
  ClosedPort() {
    WSADATA d;
    WSAStartup(MAKEWORD(2, 2), &d);
    s_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (bind(s_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
      int len = sizeof a;
      getsockname(s_, reinterpret_cast<sockaddr*>(&a), &len);
      port_ = ntohs(a.sin_port);
    }
  }
  ~ClosedPort() {
    closesocket(s_);
    WSACleanup();
  }
  int Port() const { return port_; }

 private:
  SOCKET s_ = INVALID_SOCKET;
  int port_ = 0;
};

}  // namespace testsupport
