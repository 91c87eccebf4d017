// The local board server (tools/boardserver/server.py) for the Win32 tests:
// started as a child process of the test on free ports of 127.0.0.1, steered
// over its control endpoint with plain Winsock (so nothing of WinINet's state
// is touched), and stopped when the object goes away.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/win/win_test_util.h"

#ifndef KV_SOURCE_DIR
#error "KV_SOURCE_DIR must name the source tree"
#endif

namespace kvtest {

// The Unix name of a Windows path, for the server's arguments.
inline std::string UnixPath(const std::string& windowsPath) {
  using Fn = char*(CDECL*)(const wchar_t*);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (!fn) return windowsPath;
  std::wstring w(windowsPath.begin(), windowsPath.end());
  char* unix = fn(w.c_str());
  if (!unix) return windowsPath;
  std::string out = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return out;
}

inline std::string UrlEncode(const std::string& s) {
  std::string out;
  char hex[4];
  for (unsigned char c : s) {
    if (isalnum(c) || c == '-' || c == '_' || c == '.' || c == '/' || c == '~') {
      out += static_cast<char>(c);
    } else {
      snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

class BoardServer {
 public:
  struct Request {
    std::string method, url, host, range;
    int status = 0;
    long bytes = 0, wire = 0;
    std::string user;
    bool proxy = false;
    std::string agent;
    std::string version;
    // POST only: the raw header lines and the raw body.
    std::string headers, body;
  };

  // A request-log column of escaped bytes ("\\r\\n", "\\x82") back to bytes.
  static std::string Unescape(const std::string& text) {
    if (text == "-") return std::string();
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '\\' || i + 1 >= text.size()) {
        out += text[i];
        continue;
      }
      char c = text[++i];
      if (c == 'r') out += '\r';
      else if (c == 'n') out += '\n';
      else if (c == 't') out += '\t';
      else if (c == 'x' && i + 2 < text.size()) {
        out += static_cast<char>(strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
        i += 2;
      } else out += c;
    }
    return out;
  }

  // extra: more server options, e.g. "--auth kv:secret".
  explicit BoardServer(const std::string& extra = "") {
    WSADATA d;
    WSAStartup(MAKEWORD(2, 2), &d);
    std::string portFile = folder_.file("ports");
    std::string data = UnixPath(folder_.path()) + "data";
    std::string command = "/usr/bin/env python3 " KV_SOURCE_DIR "/tools/boardserver/server.py --data " + data +
                          " --port-file " + UnixPath(portFile) + " --idle-exit 300 " + extra;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    // Wine starts a Unix program for this; its handle cannot be waited
    // for, so the server is told to quit over its control endpoint.
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
    for (int i = 0; i < 300 && !port_; ++i) {
      std::string ports = ReadFileBytes(portFile);
      if (!ports.empty()) sscanf(ports.c_str(), "%d %d", &port_, &ntpPort_);
      if (!port_) Sleep(50);
    }
  }
  ~BoardServer() {
    if (port_) Control("quit");
    Sleep(200);  // let it close its files before the folder goes
    WSACleanup();
  }
  BoardServer(const BoardServer&) = delete;
  BoardServer& operator=(const BoardServer&) = delete;

  bool running() const { return port_ != 0; }
  int port() const { return port_; }
  int ntpPort() const { return ntpPort_; }
  std::string url(const std::string& path = "") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::string proxy() const { return "127.0.0.1:" + std::to_string(port_); }

  // GET (or POST with a body) /_kv/command?query; returns the answer body.
  std::string Control(const std::string& command, const std::string& query = "", const std::string& body = "",
                      int* status = nullptr) const {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<u_short>(port_));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
      std::string req = std::string(body.empty() ? "GET" : "POST") + " /_kv/" + command + "?" + query +
                        " HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\n\r\n" + body;
      send(s, req.data(), static_cast<int>(req.size()), 0);
      char buf[65536];
      int n;
      while ((n = recv(s, buf, sizeof buf, 0)) > 0) answer.append(buf, n);
    }
    closesocket(s);
    size_t split = answer.find("\r\n\r\n");
    if (status) *status = answer.size() > 12 ? atoi(answer.c_str() + 9) : 0;
    return split == std::string::npos ? std::string() : answer.substr(split + 4);
  }

  void Board(const std::string& path, const std::string& family = "2ch") const {
    Control("board", "path=" + UrlEncode(path) + "&family=" + family);
  }
  void Thread(const std::string& path, int posts) const {
    Control("thread", "path=" + UrlEncode(path) + "&posts=" + std::to_string(posts));
  }
  void Put(const std::string& path, const std::string& data) const {
    Control("put", "path=" + UrlEncode(path), data.empty() ? std::string() : data);
  }
  std::string Get(const std::string& path) const { return Control("get", "path=" + UrlEncode(path)); }
  void Append(const std::string& path, int count) const {
    Control("append", "path=" + UrlEncode(path) + "&count=" + std::to_string(count));
  }
  void Abone(const std::string& path, int post) const {
    Control("abone", "path=" + UrlEncode(path) + "&post=" + std::to_string(post));
  }
  void Hide(const std::string& path, const std::string& posts) const {
    Control("hide", "path=" + UrlEncode(path) + "&posts=" + posts);
  }
  // what: "status=501", "nolength=1", "trickle=64:200", "size=3072001", ...
  void Rule(const std::string& path, const std::string& what, int count = 1) const {
    Control("rule", "path=" + UrlEncode(path) + "&count=" + std::to_string(count) + "&" + what);
  }
  // "normal" or "http11" (ranges of HTTP/1.0 requests ignored).
  void Ranges(const std::string& mode) const { Control("ranges", "mode=" + mode); }
  void Auth(const std::string& user, const std::string& password) const {
    Control("auth", "user=" + UrlEncode(user) + "&password=" + UrlEncode(password));
  }
  void Ntp(const std::string& query) const { Control("ntp", query); }
  int NtpCount() const { return atoi(Control("ntp-count").c_str()); }
  void Reset() const { Control("reset"); }
  // How /test/bbs.cgi answers: "confirm=always", "form=unquoted", "error=TEXT", ...
  void PostMode(const std::string& query) const { Control("post", query); }
  void ClearLog() const { Control("clear-log"); }

  std::vector<Request> Requests() const {
    std::vector<Request> out;
    std::string log = Control("log");
    size_t pos = 0;
    while (pos < log.size()) {
      size_t end = log.find('\n', pos);
      if (end == std::string::npos) end = log.size();
      std::vector<std::string> f;
      size_t start = pos;
      for (size_t i = pos; i <= end; ++i)
        if (i == end || log[i] == '\t') {
          f.push_back(log.substr(start, i - start));
          start = i + 1;
        }
      if (f.size() >= 11) {
        Request r;
        r.method = f[0], r.url = f[1], r.host = f[2], r.range = f[3] == "-" ? "" : f[3];
        r.status = atoi(f[4].c_str()), r.bytes = atol(f[5].c_str()), r.wire = atol(f[6].c_str());
        r.user = f[7] == "-" ? "" : f[7], r.proxy = f[8] == "1", r.agent = f[9];
        if (f.size() >= 13) r.version = f[10], r.headers = Unescape(f[11]), r.body = Unescape(f[12]);
        out.push_back(r);
      }
      pos = end + 1;
    }
    return out;
  }

 private:
  TempFolder folder_;
  int port_ = 0;
  int ntpPort_ = 0;
};

}  // namespace kvtest
