#include "support/SimulatorTest.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include "coords/Pacer.h"

namespace tessary::testing {

std::unique_ptr<MapSim> SimulatorTest::sim_;

void SimulatorTest::SetUpTestSuite() {
  sim_ = std::make_unique<MapSim>();
  sim_->becomeServiceBase();
}

void SimulatorTest::TearDownTestSuite() { sim_.reset(); }

void SimulatorTest::SetUp() {
  // Pacing is tested on its own; elsewhere it would only slow the runs down.
  Pacer::setAllPaced(false);
  RateLimitRetry::setWaitMs(100);
}

void SimulatorTest::TearDown() {
  Pacer::setAllPaced(true);
  RateLimitRetry::setWaitMs(1000);
}

void CommandTest::SetUp() {
  SimulatorTest::SetUp();
  char name[] = "/tmp/tessary-cli-XXXXXX";
  dir_ = mkdtemp(name);
}

void CommandTest::TearDown() {
  std::filesystem::remove_all(dir_);
  SimulatorTest::TearDown();
}

void CommandTest::write(const std::string& name, const std::string& bytes) const {
  std::ofstream(file(name), std::ios::binary) << bytes;
}

std::string CommandTest::slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

CommandTest::Outcome CommandTest::cli(const std::string& args, const std::string& input, const std::string& env) {
  write("stdin", input);
  std::string command = "env -u TESSARY_TENCENT_KEY -u TESSARY_BAIDU_KEY TESSARY_KEYS_INI=" + file("none.ini") +
                        " TESSARY_SERVICE_BASE=" + sim_->base() + " " + env + " " TESSARY_CLI_PATH " " + args + " <" +
                        file("stdin") + " >" + file("stdout") + " 2>" + file("stderr");
  Outcome o;
  int raw = std::system(command.c_str());
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  o.out = slurp(file("stdout"));
  o.err = slurp(file("stderr"));
  return o;
}

std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
    } else if (c == '\n') {
      row.push_back(field);
      rows.push_back(row);
      row.clear();
      field.clear();
    } else if (c != '\r') {
      field += c;
    }
  }
  return rows;
}

}  // namespace tessary::testing
