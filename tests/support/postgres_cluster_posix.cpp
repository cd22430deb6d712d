#include "support/postgres_cluster.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "db/db_connection.h"
#include "support/child_process.h"
#include "support/temporary_directory.h"

namespace dodu::testing {

namespace fs = std::filesystem;

namespace {

PostgresCluster* g_cluster = nullptr;
std::string g_failure;  // why the cluster could not start; asked once per program

// Stops the program's cluster when its tests have run.
class ClusterEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    if (g_cluster != nullptr) g_cluster->Stop();
  }
};
[[maybe_unused]] const bool g_registered = (::testing::AddGlobalTestEnvironment(new ClusterEnvironment), true);

// The newest installed server's programs: /usr/lib/postgresql/<version>/bin.
fs::path FindBinaries() {
  fs::path best;
  int best_version = -1;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator("/usr/lib/postgresql", error)) {
    int version = 0;
    try {
      version = std::stoi(entry.path().filename().string());
    } catch (const std::exception&) {
      continue;
    }
    if (version > best_version && fs::exists(entry.path() / "bin" / "initdb")) {
      best_version = version;
      best = entry.path() / "bin";
    }
  }
  return best;
}

bool OdbcDriverRegistered() {
  std::ifstream in("/etc/odbcinst.ini");
  std::stringstream text;
  text << in.rdbuf();
  return text.str().find("[PostgreSQL Unicode]") != std::string::npos;
}

// A loopback port that was free a moment ago.
uint16_t FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("no socket for a free port");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  close(fd);
  if (!ok) throw std::runtime_error("no free loopback port");
  return ntohs(address.sin_port);
}

void Run(const fs::path& program, const std::vector<std::string>& arguments, bool as_postgres) {
  std::vector<std::string> words;
  fs::path runner = program;
  if (as_postgres) {
    runner = "runuser";
    words = {"-u", "postgres", "--", program.string()};
  }
  words.insert(words.end(), arguments.begin(), arguments.end());
  ChildProcess child(runner, words, {}, true);
  const ProcessExit exit = child.Wait();
  if (!exit.Succeeded())
    throw std::runtime_error(program.filename().string() + " failed (" + exit.text + "): " + child.Output());
}

}  // namespace

PostgresCluster* PostgresCluster::Shared(std::string* aWhyNot) {
  if (g_cluster == nullptr && g_failure.empty()) {
    std::unique_ptr<PostgresCluster> cluster(new PostgresCluster());
    try {
      cluster->Start();
      g_cluster = cluster.release();
    } catch (const std::exception& e) {
      g_failure = e.what();
      cluster->Stop();
    }
  }
  if (g_cluster == nullptr && aWhyNot != nullptr) *aWhyNot = g_failure;
  return g_cluster;
}

void PostgresCluster::Start() {
  fBinaries = FindBinaries();
  if (fBinaries.empty())
    throw std::runtime_error("PostgreSQL is not installed here (no /usr/lib/postgresql/*/bin/initdb); "
                             "scripts/install-deps installs it");
  if (!OdbcDriverRegistered())
    throw std::runtime_error("the ODBC driver \"PostgreSQL Unicode\" is not registered in /etc/odbcinst.ini; "
                             "scripts/install-deps installs odbc-postgresql");
  fDirectory = MakeTemporaryDirectory("dodu-pg-");
  fAsPostgresUser = geteuid() == 0;
  if (fAsPostgresUser) {
    // The server refuses to run as root: its directory belongs to the user postgres.
    const passwd* user = getpwnam("postgres");
    if (user == nullptr) throw std::runtime_error("running as root, and there is no user postgres to run the server");
    if (chown(fDirectory.c_str(), user->pw_uid, user->pw_gid) != 0)
      throw std::runtime_error("cannot give " + fDirectory.string() + " to the user postgres");
  }
  fPort = FreePort();
  const fs::path data = fDirectory / "data";
  // No fsync: the tests kill tills, never the server.
  Run(fBinaries / "initdb", {"-D", data.string(), "-A", "trust", "-U", "postgres", "-E", "UTF8", "--locale=C",
                             "--no-sync"},
      fAsPostgresUser);
  Run(fBinaries / "pg_ctl",
      {"-D", data.string(), "-l", (fDirectory / "server.log").string(), "-w", "-t", "60", "-o",
       "-c listen_addresses=127.0.0.1 -p " + std::to_string(fPort) + " -k " + fDirectory.string() +
           " -c fsync=off -c max_connections=40",
       "start"},
      fAsPostgresUser);
  fRunning = true;
}

void PostgresCluster::Stop() {
  if (fRunning) {
    try {
      Run(fBinaries / "pg_ctl", {"-D", (fDirectory / "data").string(), "-m", "immediate", "-w", "stop"},
          fAsPostgresUser);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "the test cluster did not stop: " << e.what();
    }
    fRunning = false;
  }
  if (!fDirectory.empty()) {
    std::error_code ignored;
    fs::remove_all(fDirectory, ignored);
    fDirectory.clear();
  }
}

std::string PostgresCluster::ConnectionString(const std::string& aDatabase) const {
  return "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=" + std::to_string(fPort) + ";Database=" + aDatabase +
         ";UID=postgres;PWD=;Protocol=7.4-0;CommLog=0;Debug=0;";
}

std::string PostgresCluster::CreateDatabase(const std::string& aPrefix) {
  const std::string name = aPrefix + std::to_string(++fDatabases);
  Execute("postgres", "create database " + name);
  return name;
}

std::string PostgresCluster::CreateStore(const std::string& aPrefix) {
  const std::string name = CreateDatabase(aPrefix);
  std::ifstream in(std::string(DODU_SOURCE_DIR) + "/schema/postgresql.sql");
  std::stringstream text;
  text << in.rdbuf();
  if (text.str().empty()) throw std::runtime_error("schema/postgresql.sql cannot be read");
  // One statement per ";" that ends a line: the driver runs one statement at a time.
  std::string statement;
  for (std::string line; std::getline(text, line);) {
    if (line.rfind("--", 0) == 0) continue;
    statement += line + "\n";
    if (!line.empty() && line.back() == ';') {
      Execute(name, statement);
      statement.clear();
    }
  }
  return name;
}

void PostgresCluster::Execute(const std::string& aDatabase, const std::string& aSql) {
  std::unique_ptr<DbConnection> connection = CreateDbConnection(dbe_ODBC, ConnectionString(aDatabase));
  try {
    connection->Open();
    connection->Run(aSql, {}, 60);
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("on ") + aDatabase + ": " + e.what());
  }
}

}  // namespace dodu::testing
