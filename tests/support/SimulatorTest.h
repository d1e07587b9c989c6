#pragma once
// Fixtures for tests that run against the simulator: one simulator per suite, made the
// service base; pacing off and short rate-limit waits while a test runs.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/MapSim.h"

namespace tessary::testing {

class SimulatorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  static std::unique_ptr<MapSim> sim_;
};

// Runs tessary-cli against the suite's simulator, in a scratch folder of its own.
class CommandTest : public SimulatorTest {
 protected:
  struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
  };

  void SetUp() override;
  void TearDown() override;

  std::string file(const std::string& name) const { return (dir_ / name).string(); }
  void write(const std::string& name, const std::string& bytes) const;
  static std::string slurp(const std::string& path);
  // tessary-cli ARGS with `input` on standard input. `env` goes before the command as
  // NAME=value words; key variables and the keys file are cleared unless given there.
  Outcome cli(const std::string& args, const std::string& input = "", const std::string& env = "");

  std::filesystem::path dir_;
};

// The command line's CSV output read back into rows.
std::vector<std::vector<std::string>> parseCsv(const std::string& text);

}  // namespace tessary::testing
