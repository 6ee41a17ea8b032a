// k7q serve in front of a real browser: headless Chromium, driven through
// its DevTools protocol on a pipe, fills in the sample's input form and
// submits it; the report page it lands on must hold the sample's rows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <sstream>
#include <string>

#include "K7QOdbcTestSupport.h"
#include "K7QTestSupport.h"
#include "PreviewCliSupport.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPatience = std::chrono::seconds(30);

std::string FindChromium() {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    for (const char* name : {"chromium", "chromium-browser"}) {
      const std::string candidate = dir + "/" + name;
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
  }
  return {};
}

// The text of a JSON string that starts right after `key` and its colon.
std::string JsonString(const std::string& message, const std::string& key) {
  const std::size_t at = message.find("\"" + key + "\":\"");
  if (at == std::string::npos) return {};
  std::string out;
  for (std::size_t i = at + key.size() + 4; i < message.size(); ++i) {
    char c = message[i];
    if (c == '"') return out;
    if (c != '\\' || i + 1 >= message.size()) {
      out += c;
      continue;
    }
    c = message[++i];
    switch (c) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'u': {
        unsigned code = std::stoul(message.substr(i + 1, 4), nullptr, 16);
        i += 4;
        if (code >= 0xD800 && code < 0xDC00 && message.compare(i + 1, 2, "\\u") == 0) {
          const unsigned low = std::stoul(message.substr(i + 3, 4), nullptr, 16);
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          i += 6;
        }
        if (code < 0x80) {
          out += char(code);
        } else if (code < 0x800) {
          out += char(0xC0 | code >> 6);
          out += char(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
          out += char(0xE0 | code >> 12);
          out += char(0x80 | ((code >> 6) & 0x3F));
          out += char(0x80 | (code & 0x3F));
        } else {
          out += char(0xF0 | code >> 18);
          out += char(0x80 | ((code >> 12) & 0x3F));
          out += char(0x80 | ((code >> 6) & 0x3F));
          out += char(0x80 | (code & 0x3F));
        }
        break;
      }
      default:
        out += c;
        break;
    }
  }
  return {};
}

// The browser's DevTools protocol over --remote-debugging-pipe: JSON
// messages ended by a NUL byte, commands on its descriptor 3, answers and
// events on its descriptor 4.
class CBrowser {
 public:
  bool Launch(const std::string& chromium, const std::string& profile, const std::string& errFile) {
    if (m_to.fd[0] < 0 || m_from.fd[0] < 0) return false;
    const bool started =
        m_child.Start({chromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                       "--user-data-dir=" + profile, "--remote-debugging-pipe", "about:blank"},
                      {{m_to.fd[0], 3}, {m_from.fd[1], 4}}, errFile);
    m_to.Close(0);
    m_from.Close(1);
    return started;
  }

  // Sends a command and gives its answer ("" after the patience).
  std::string Call(const std::string& method, const std::string& params = "{}",
                   const std::string& session = {}) {
    const int id = m_nextId++;
    std::string message =
        "{\"id\":" + std::to_string(id) + ",\"method\":\"" + method + "\",\"params\":" + params;
    if (!session.empty()) message += ",\"sessionId\":\"" + session + "\"";
    message += "}";
    message += '\0';
    if (::write(m_to.fd[1], message.data(), message.size()) != ssize_t(message.size())) return {};
    const std::string mark = "\"id\":" + std::to_string(id) + ",";
    const std::string markEnd = "\"id\":" + std::to_string(id) + "}";
    std::string answer;
    while (Next(answer)) {
      if (answer.find(mark) != std::string::npos || answer.find(markEnd) != std::string::npos)
        return answer;
      m_events.push_back(answer);
    }
    return {};
  }

  // Waits for the event `method` of `session`.
  bool Event(const std::string& method, const std::string& session) {
    const auto matches = [&](const std::string& m) {
      return m.find("\"method\":\"" + method + "\"") != std::string::npos &&
             m.find("\"sessionId\":\"" + session + "\"") != std::string::npos;
    };
    for (auto it = m_events.begin(); it != m_events.end(); ++it) {
      if (matches(*it)) {
        m_events.erase(it);
        return true;
      }
    }
    std::string message;
    while (Next(message)) {
      if (matches(message)) return true;
    }
    return false;
  }
  void ForgetEvents() { m_events.clear(); }

  void Close() {
    Call("Browser.close");
    m_child.Stop();
  }

 private:
  bool Next(std::string& message) {
    const auto deadline = Clock::now() + kPatience;
    for (;;) {
      const std::size_t end = m_buffer.find('\0');
      if (end != std::string::npos) {
        message = m_buffer.substr(0, end);
        m_buffer.erase(0, end + 1);
        return true;
      }
      if (Clock::now() >= deadline) return false;
      pollfd p{m_from.fd[0], POLLIN, 0};
      if (::poll(&p, 1, 200) <= 0) continue;
      char chunk[65536];
      const ssize_t n = ::read(m_from.fd[0], chunk, sizeof chunk);
      if (n <= 0) return false;
      m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
  }

  CPipe m_to;
  CPipe m_from;
  CChild m_child;
  int m_nextId = 1;
  std::string m_buffer;
  std::deque<std::string> m_events;
};

// The lines the sqlite3 shell prints for a query on the sample database.
std::vector<std::string> SampleQuery(const std::string& sql, const std::string& scratch) {
  const std::string out = scratch + "/query.out";
  const std::string command =
      "sqlite3 -readonly '" K7Q_DATA_DIR "/sample/shop.db' \"" + sql + "\" > '" + out + "'";
  std::vector<std::string> lines;
  if (std::system(command.c_str()) != 0) return lines;
  std::istringstream in(K7QReadFile(out));
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace

TEST(PreviewBrowser, TheInputFormLeadsToTheReportWithLiveRows) {
  const std::string chromium = FindChromium();
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed (scripts/setup installs it)";
  K7QUseTestDataSources();
  CK7QTempDir dir;
  ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);

  std::string error;
  const CSampleMacro sample = MakeSampleMacro(dir.Path(), kTestSampleDsn, "k7q", "", error);
  ASSERT_FALSE(sample.macro.empty()) << error;
  CServer server;
  const std::string address = server.Start(sample.macro, sample.profile, dir.File("serve.err"));
  ASSERT_EQ(address.rfind("http://127.0.0.1:", 0), 0u)
      << address << K7QReadFile(dir.File("serve.err"));

  CBrowser browser;
  ASSERT_TRUE(browser.Launch(chromium, dir.File("chromium"), dir.File("chromium.err")));
  const std::string target =
      JsonString(browser.Call("Target.createTarget", "{\"url\":\"about:blank\"}"), "targetId");
  ASSERT_FALSE(target.empty()) << K7QReadFile(dir.File("chromium.err"));
  const std::string session = JsonString(
      browser.Call("Target.attachToTarget", "{\"targetId\":\"" + target + "\",\"flatten\":true}"),
      "sessionId");
  ASSERT_FALSE(session.empty());
  browser.Call("Page.enable", "{}", session);
  browser.ForgetEvents();
  browser.Call("Page.navigate", "{\"url\":\"" + address + "\"}", session);
  ASSERT_TRUE(browser.Event("Page.loadEventFired", session));

  // Type a product name (抹茶) into the form's field and press its button.
  const std::string submitted = browser.Call(
      "Runtime.evaluate",
      "{\"expression\":\"(() => { const f = document.forms[0]; f.elements['QNAME'].value = "
      "'\\u62b9\\u8336'; f.querySelector('[type=submit]').click(); return 'sent'; })()\","
      "\"returnByValue\":true}",
      session);
  ASSERT_EQ(JsonString(submitted, "value"), "sent") << submitted;
  ASSERT_TRUE(browser.Event("Page.loadEventFired", session));

  const auto evaluate = [&](const std::string& expression) {
    return JsonString(
        browser.Call("Runtime.evaluate",
                     "{\"expression\":\"" + expression + "\",\"returnByValue\":true}", session),
        "value");
  };
  // The browser sent the field in the page's encoding to the form's action.
  EXPECT_EQ(evaluate("location.pathname + location.search"),
            "/cgi-bin/k7q/shop.k7q/report?QNAME=%96%95%92%83");
  // The products table holds every product of the database, in its order.
  const std::vector<std::string> names =
      SampleQuery("SELECT name FROM products ORDER BY rowid", dir.Path());
  ASSERT_FALSE(names.empty());
  const std::string cells = evaluate(
      "Array.from(document.querySelectorAll('table tr td:first-child')).map(td => "
      "td.textContent).join('|')");
  std::string expected;
  for (const std::string& name : names) expected += (expected.empty() ? "" : "|") + name;
  EXPECT_EQ(cells, expected);
  // Its pictures came from the database and were decoded by the browser (the
  // product without one has an empty address).
  EXPECT_EQ(evaluate("Array.from(document.querySelectorAll('table img')).map(i => "
                     "i.getAttribute('src') === '' ? 'none' : String(i.naturalWidth > 0)).join()"),
            "true,true,true,true,true,none");
  // The customers' rows, the large texts and the option list are there too.
  const std::string text = evaluate("document.body.innerText");
  for (const std::string& email :
       SampleQuery("SELECT email FROM customers WHERE email IS NOT NULL", dir.Path()))
    EXPECT_EQ(evaluate("String(!!document.querySelector(\\\"a[href='mailto:" + email + "']\\\"))"),
              "true")
        << email;
  EXPECT_EQ(evaluate("String(document.querySelectorAll('select option').length)"),
            std::to_string(names.size()));
  EXPECT_EQ(text.find("Preview notes"), std::string::npos) << text;
  browser.Close();
}
