// k7q serve: the macro's pages on a loopback HTTP server, so that a real
// browser shows them with live rows and its forms work: the input page at
// "/", the report at the address the forms send to, pictures from the
// profile folder.
#include <httplib.h>
#include <signal.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QCommand.h"
#include "K7QPreviewFolder.h"
#include "K7QPreviewSetup.h"
#include "K7QPreviewText.h"
#include "K7QServeProgram.h"

namespace {

constexpr unsigned kIdsNoSection = 63841;
constexpr unsigned kIdsCannotListen = 63842;
constexpr unsigned kIdsMacroUnreadable = 63840;
// The data source refused the connection: the builder asks for a password.
constexpr int kExitRefused = 4;
constexpr const char* kHost = "127.0.0.1";
constexpr const char* kPageType = "text/html; charset=Shift_JIS";

const std::string& kUsage = kK7QServeUsage;

// The path part of a form's action: without scheme, host, query and
// fragment; a relative one is taken from "/", where the input page is.
std::string ActionPath(std::string_view action) {
  action = K7QPreviewText::Trim(action);
  if (const std::size_t scheme = action.find("://"); scheme != std::string_view::npos) {
    const std::size_t slash = action.find('/', scheme + 3);
    action = slash == std::string_view::npos ? "/" : action.substr(slash);
  }
  action = action.substr(0, action.find_first_of("?#"));
  std::string path(action);
  while (path.rfind("./", 0) == 0) path.erase(0, 2);
  if (path.empty() || path[0] != '/') path.insert(0, "/");
  return path;
}

// The actions of the forms in the macro's text, in their order: where the
// report is asked for.
std::vector<std::string> FormActions(const std::string& text) {
  std::vector<std::string> actions;
  const std::string upper = K7QPreviewText::Upper(text);
  for (std::size_t form = upper.find("<FORM"); form != std::string::npos;
       form = upper.find("<FORM", form + 5)) {
    const std::size_t end = upper.find('>', form);
    if (end == std::string::npos) break;
    const std::size_t found = std::string_view(upper).substr(form, end - form).find("ACTION");
    if (found == std::string_view::npos) continue;
    const std::size_t at = form + found;
    std::size_t p = at + 6;
    while (p < end && (upper[p] == ' ' || upper[p] == '\t' || upper[p] == '\r' || upper[p] == '\n'))
      ++p;
    if (p >= end || upper[p] != '=') continue;
    ++p;
    while (p < end && (upper[p] == ' ' || upper[p] == '\t')) ++p;
    std::size_t q = p;
    if (p < end && (text[p] == '"' || text[p] == '\'')) {
      const std::size_t close = text.find(text[p], p + 1);
      if (close == std::string::npos || close > end) continue;
      p += 1;
      q = close;
    } else {
      while (q < end && text[q] != ' ' && text[q] != '\t') ++q;
    }
    const std::string path = ActionPath(std::string_view(text).substr(p, q - p));
    if (std::find(actions.begin(), actions.end(), path) == actions.end()) actions.push_back(path);
  }
  if (actions.empty()) actions.push_back("/report");
  return actions;
}

class CServer {
 public:
  CServer(CK7QPreviewSetup& setup, int port) : m_setup(setup), m_port(port) {}

  int Run(bool watchStdin) {
    if (!ReadActions()) return kExitFailed;
    const auto handler = [this](const httplib::Request& req, httplib::Response& res) {
      Handle(req, res);
    };
    m_server.Get(".*", handler);
    m_server.Post(".*", handler);
    m_server.set_keep_alive_timeout(2);
    const int port = m_port == 0 ? m_server.bind_to_any_port(kHost)
                                 : (m_server.bind_to_port(kHost, m_port) ? m_port : -1);
    if (port <= 0) {
      m_setup.Ui().Message(kIdsCannotListen, K7QIcon::Stop);
      return kExitFailed;
    }
    m_port = port;
    // The input page's address, then the report's (the first form's action).
    std::printf("http://%s:%d/\nhttp://%s:%d%s\n", kHost, port, kHost, port,
                m_actions.front().c_str());
    std::fflush(stdout);

    // SIGINT and SIGTERM end the server orderly; so does the end of standard
    // input when asked for, so a server whose builder is gone does not linger.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([this, signals] {
      int signal = 0;
      sigwait(&signals, &signal);
      m_server.stop();
    }).detach();
    if (watchStdin) {
      std::thread([this] {
        char c = 0;
        while (std::cin.get(c)) {
        }
        m_server.stop();
      }).detach();
    }
    m_server.listen_after_bind();
    return kExitOk;
  }

 private:
  bool ReadActions() {
    try {
      m_actions = FormActions(K7QFile::ReadAll(m_setup.MacroPath()));
    } catch (const CK7QBldFileException&) {
      m_setup.Ui().Message(kIdsMacroUnreadable, K7QIcon::Stop);
      return false;
    }
    return true;
  }

  // Only requests addressed to this server by its loopback name: a page of
  // another site that makes a browser resolve its own name to 127.0.0.1
  // gets nothing.
  bool HostAllowed(const httplib::Request& req) const {
    const std::string host = req.get_header_value("Host");
    const std::string port = ":" + std::to_string(m_port);
    return host == kHost + port || host == "localhost" + port;
  }

  void Handle(const httplib::Request& req, httplib::Response& res) {
    res.set_header("Cache-Control", "no-store");
    if (!HostAllowed(req)) {
      res.status = 403;
      return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_setup.Reload() || !ReadActions()) {
      res.status = 500;
      res.set_content(Escaped(kIdsMacroUnreadable), kPageType);
      return;
    }
    if (req.path == "/") {
      Page("INPUT", req, res);
    } else if (std::find(m_actions.begin(), m_actions.end(), req.path) != m_actions.end()) {
      Page("REPORT", req, res);
    } else {
      Picture(req, res);
    }
  }

  std::string Escaped(unsigned id) {
    CK7QPreviewInterpreter interpreter = m_setup.MakeInterpreter();
    return "<HTML><BODY><P>" + K7QPreviewText::HtmlEscape(interpreter.Text(id)) +
           "</P></BODY></HTML>";
  }

  void Page(const char* section, const httplib::Request& req, httplib::Response& res) {
    K7QPreviewParams params;
    for (const auto& [name, value] : req.params) params.emplace_back(name, value);
    CK7QPreviewInterpreter interpreter = m_setup.MakeInterpreter();
    CK7QPreviewPage page;
    if (!interpreter.Render(section, params, page)) {
      res.status = 404;
      res.set_content(Escaped(kIdsNoSection), kPageType);
      return;
    }
    std::fprintf(stderr, "k7q: %s %s\n", req.method.c_str(), req.path.c_str());
    m_setup.PrintNotes(interpreter, page);
    res.set_content(page.html, kPageType);
  }

  // Pictures the pages name (loop markers, large-object pictures, the
  // author's images) come from the profile folder: by their file name, as
  // it is flat, whatever folder the page's address puts in front.
  void Picture(const httplib::Request& req, httplib::Response& res) {
    const std::string name = K7QFile::FileName(req.path);
    const std::string type = K7QPreviewText::ImageTypeOfName(name);
    const std::string path =
        type.empty() ? std::string() : K7QPreviewFolder::PathBelow(m_setup.Folder(), name);
    std::string bytes;
    try {
      if (path.empty() || K7QFile::FileName(path) != name) throw std::exception();
      bytes = K7QFile::ReadAll(path);
    } catch (const std::exception&) {
      res.status = 404;
      return;
    }
    res.set_content(bytes, type.c_str());
  }

  CK7QPreviewSetup& m_setup;
  int m_port;
  httplib::Server m_server;
  std::mutex m_mutex;
  std::vector<std::string> m_actions;
};

int Serve(const K7QArgs& args) {
  CK7QPreviewSetup setup;
  int port = 0;
  bool watchStdin = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string error;
    if (setup.TakeOption(args, i, error)) {
      if (!error.empty()) return K7QUsageError("serve: " + error);
      continue;
    }
    const std::string& option = args[i];
    if (option == "--port") {
      if (i + 1 >= args.size()) return K7QUsageError("serve: --port needs a value");
      const std::string& value = args[++i];
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
      if (ec != std::errc() || end != value.data() + value.size() || port < 0 || port > 65535)
        return K7QUsageError("serve: --port " + value + ": a port number expected");
    } else if (option == "--watch-stdin") {
      watchStdin = true;
    } else if (!option.empty() && option[0] == '-') {
      return K7QUsageError("serve: unknown option " + option + "\nusage: k7q " + kUsage);
    } else if (setup.MacroPath().empty()) {
      setup.SetMacroPath(option);
    } else {
      return K7QUsageError("serve: more than one macro given");
    }
  }
  if (const std::string missing = setup.Check(); !missing.empty())
    return K7QUsageError("serve: " + missing + "\nusage: k7q " + kUsage);
  if (!setup.Load()) return kExitFailed;
  if (!setup.CheckConnection()) return kExitRefused;
  CServer server(setup, port);
  return server.Run(watchStdin);
}

const K7QRegisterCommand kRegister("serve", kUsage, Serve);

}  // namespace
