#include "http_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <map>
#include <stdexcept>

namespace dodu::testing {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return std::string();
  size_t end = text.find_last_not_of(" \t");
  return text.substr(begin, end - begin + 1);
}

std::string Md5Hex(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr);
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0x0F];
  }
  return hex;
}

// Strict base64: false for anything that is not a whole, padded base64 text.
bool Base64Decode(const std::string& text, std::string& out) {
  if (text.empty() || text.size() % 4 != 0) return false;
  std::string bytes(text.size() / 4 * 3, '\0');
  int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                               reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
  if (length < 0) return false;
  size_t padding = text.size() - text.find_last_not_of('=') - 1;
  if (padding > 2) return false;
  bytes.resize(static_cast<size_t>(length) - padding);
  out = bytes;
  return true;
}

// The parameters of a digest Authorization header: name=value or name="quoted value", separated
// by commas. Names are lower-cased.
std::map<std::string, std::string> DigestParameters(const std::string& text) {
  std::map<std::string, std::string> parameters;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == ',' || text[i] == '\t')) ++i;
    size_t equals = text.find('=', i);
    if (equals == std::string::npos) break;
    std::string name = Lower(Trim(text.substr(i, equals - i)));
    i = equals + 1;
    std::string value;
    if (i < text.size() && text[i] == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        value += text[i];
      }
      ++i;  // the closing quote
    } else {
      size_t comma = text.find(',', i);
      value = Trim(text.substr(i, comma == std::string::npos ? std::string::npos : comma - i));
      i = comma == std::string::npos ? text.size() : comma;
    }
    parameters[name] = value;
  }
  return parameters;
}

// Reads a connection's bytes, giving up when the server stops.
class Reader {
 public:
  Reader(int fd, int wake) : fd_(fd), wake_(wake) {}

  // One line without its CRLF; false when the connection ended first.
  bool Line(std::string& line) {
    for (;;) {
      size_t end = buffer_.find("\r\n");
      if (end != std::string::npos) {
        line = buffer_.substr(0, end);
        buffer_.erase(0, end + 2);
        return true;
      }
      if (!Fill()) return false;
    }
  }

  bool Bytes(size_t count, std::string& out) {
    while (buffer_.size() < count) {
      if (!Fill()) return false;
    }
    out = buffer_.substr(0, count);
    buffer_.erase(0, count);
    return true;
  }

 private:
  bool Fill() {
    pollfd watch[2] = {{fd_, POLLIN, 0}, {wake_, POLLIN, 0}};
    if (poll(watch, 2, -1) <= 0 || (watch[1].revents & POLLIN) != 0) return false;
    char chunk[4096];
    ssize_t got = recv(fd_, chunk, sizeof chunk, 0);
    if (got <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(got));
    return true;
  }

  int fd_;
  int wake_;
  std::string buffer_;
};

void SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

// Reads one request; false when the connection ended or the request cannot be read.
bool ReadRequest(Reader& reader, int fd, HttpTestServer::Request& request) {
  std::string line;
  do {
    if (!reader.Line(line)) return false;
  } while (line.empty());  // blank lines before a request are allowed
  size_t first = line.find(' ');
  size_t second = line.find(' ', first + 1);
  if (first == std::string::npos || second == std::string::npos) return false;
  request.method = line.substr(0, first);
  request.target = line.substr(first + 1, second - first - 1);
  for (;;) {
    if (!reader.Line(line)) return false;
    if (line.empty()) break;
    size_t colon = line.find(':');
    if (colon == std::string::npos) return false;
    request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
  }
  if (Lower(request.Header("Expect")) == "100-continue") SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n");
  if (Lower(request.Header("Transfer-Encoding")).find("chunked") != std::string::npos) {
    for (;;) {
      if (!reader.Line(line)) return false;
      size_t size = std::stoul(line, nullptr, 16);
      std::string chunk;
      if (!reader.Bytes(size, chunk) || !reader.Line(line)) return false;
      if (size == 0) break;
      request.body += chunk;
    }
    return true;
  }
  const std::string length = request.Header("Content-Length");
  return length.empty() || reader.Bytes(std::stoul(length), request.body);
}

}  // namespace

std::string HttpTestServer::Request::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (Lower(key) == Lower(name)) return value;
  }
  return std::string();
}

size_t HttpTestServer::Request::HeaderCount(const std::string& name) const {
  return static_cast<size_t>(
      std::count_if(headers.begin(), headers.end(), [&](const auto& h) { return Lower(h.first) == Lower(name); }));
}

HttpTestServer::HttpTestServer() {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) throw std::runtime_error("HttpTestServer: no socket");
  int yes = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 16) != 0) {
    close(listener_);
    throw std::runtime_error("HttpTestServer: cannot listen on a loopback port");
  }
  socklen_t length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  if (pipe2(wake_, O_CLOEXEC) != 0) {
    close(listener_);
    throw std::runtime_error("HttpTestServer: no pipe");
  }
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
  stopping_ = true;
  char byte = 1;
  (void)!write(wake_[1], &byte, 1);  // wakes the acceptor and every connection at once
  acceptor_.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    threads.swap(connections_);
  }
  for (std::thread& t : threads) t.join();
  close(listener_);
  close(wake_[0]);
  close(wake_[1]);
}

std::string HttpTestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpTestServer::RequireBasic(const std::string& user, const std::string& password, const std::string& realm) {
  std::lock_guard<std::mutex> lock(mutex_);
  scheme_ = Scheme::Basic;
  user_ = user;
  password_ = password;
  realm_ = realm;
}

void HttpTestServer::RequireDigest(const std::string& user, const std::string& password, const std::string& realm) {
  std::lock_guard<std::mutex> lock(mutex_);
  scheme_ = Scheme::Digest;
  user_ = user;
  password_ = password;
  realm_ = realm;
}

void HttpTestServer::RequireNothing() {
  std::lock_guard<std::mutex> lock(mutex_);
  scheme_ = Scheme::None;
}

void HttpTestServer::Enqueue(Answer answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(std::move(answer));
}

std::vector<HttpTestServer::Request> HttpTestServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

int HttpTestServer::ConnectionsAccepted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return accepted_;
}

void HttpTestServer::AcceptLoop() {
  for (;;) {
    pollfd watch[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(watch, 2, -1) < 0 || (watch[1].revents & POLLIN) != 0 || stopping_) return;
    int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard<std::mutex> lock(mutex_);
    int connection = ++accepted_;
    connections_.emplace_back([this, fd, connection] { Serve(fd, connection); });
  }
}

std::string HttpTestServer::Challenge(const Request& request) {
  // Called with the mutex held.
  const std::string authorization = request.Header("Authorization");
  if (scheme_ == Scheme::Basic) {
    std::string decoded;
    const bool valid = Lower(authorization.substr(0, 6)) == "basic " &&
                       Base64Decode(Trim(authorization.substr(6)), decoded) && decoded == user_ + ":" + password_;
    return valid ? std::string() : "Basic realm=\"" + realm_ + "\", charset=\"UTF-8\"";
  }
  if (scheme_ == Scheme::Digest) {
    if (Lower(authorization.substr(0, 7)) == "digest ") {
      auto p = DigestParameters(authorization.substr(7));
      const bool known_nonce = std::find(nonces_.begin(), nonces_.end(), p["nonce"]) != nonces_.end();
      const std::string algorithm = Lower(p["algorithm"]);
      if (known_nonce && p["username"] == user_ && p["realm"] == realm_ && p["uri"] == request.target &&
          (algorithm.empty() || algorithm == "md5")) {
        const std::string ha1 = Md5Hex(user_ + ":" + realm_ + ":" + password_);
        const std::string ha2 = Md5Hex(request.method + ":" + p["uri"]);
        std::string expected;
        if (p.count("qop") != 0) {
          if (p["qop"] == "auth" && !p["nc"].empty() && !p["cnonce"].empty()) {
            expected = Md5Hex(ha1 + ":" + p["nonce"] + ":" + p["nc"] + ":" + p["cnonce"] + ":auth:" + ha2);
          }
        } else {
          expected = Md5Hex(ha1 + ":" + p["nonce"] + ":" + ha2);
        }
        if (!expected.empty() && Lower(p["response"]) == expected) return std::string();
      }
    }
    unsigned char random[16];
    RAND_bytes(random, sizeof random);
    std::string nonce = Md5Hex(std::string(reinterpret_cast<char*>(random), sizeof random));
    nonces_.push_back(nonce);
    return "Digest realm=\"" + realm_ + "\", qop=\"auth\", algorithm=MD5, nonce=\"" + nonce + "\", opaque=\"" +
           Md5Hex(realm_) + "\"";
  }
  return std::string();
}

void HttpTestServer::Serve(int fd, int connection) {
  Reader reader(fd, wake_[0]);
  for (;;) {
    Request request;
    request.connection = connection;
    if (!ReadRequest(reader, fd, request)) break;
    Answer answer;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const std::string challenge = Challenge(request);
      if (!challenge.empty()) {
        answer.status = 401;
        answer.reason = "Unauthorized";
        answer.body = "Unauthorized";
        answer.headers = {{"WWW-Authenticate", challenge}};
      } else if (!answers_.empty()) {
        answer = answers_.front();
        answers_.erase(answers_.begin());
      }
      request.status = answer.status;
      requests_.push_back(request);
    }
    if (answer.silent) {
      pollfd wake{wake_[0], POLLIN, 0};
      while (poll(&wake, 1, -1) < 0 && errno == EINTR) {
      }
      break;
    }
    const bool close_after = answer.close || answer.cut_body_after < answer.body.size() ||
                             Lower(request.Header("Connection")) == "close";
    std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " + answer.reason + "\r\n";
    for (const auto& [name, value] : answer.headers) head += name + ": " + value + "\r\n";
    if (answer.chunked) {
      head += "Transfer-Encoding: chunked\r\n";
    } else {
      head += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    }
    if (close_after) head += "Connection: close\r\n";
    head += "\r\n";
    if (answer.chunked) {
      static const char kHex[] = "0123456789abcdef";
      std::string chunks;
      for (size_t at = 0; at < answer.body.size(); at += 4096) {
        const size_t size = std::min<size_t>(4096, answer.body.size() - at);
        std::string length;
        for (size_t n = size; n > 0; n /= 16) length.insert(length.begin(), kHex[n % 16]);
        chunks += length + "\r\n" + answer.body.substr(at, size) + "\r\n";
      }
      SendAll(fd, head + chunks + "0\r\n\r\n");
    } else {
      SendAll(fd, head + answer.body.substr(0, answer.cut_body_after));
    }
    if (close_after) break;
  }
  close(fd);
}

}  // namespace dodu::testing
