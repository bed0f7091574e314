// The registry accessor's contract, run over the file hive backend.
#if !defined(_WIN32)

#include <gtest/gtest.h>

#include "RegistryContract.h"
#include "RegistryFileHiveHarness.h"

namespace {

class FileHiveValueContract : public ::testing::TestWithParam<contract::ValueCase> {};
class FileHiveStateContract : public ::testing::TestWithParam<contract::StateCase> {};
class FileHiveScenarioContract : public ::testing::TestWithParam<contract::Scenario> {};

TEST_P(FileHiveValueContract, Holds) {
  RegistryFileHiveHarness harness;
  contract::runValueCase(harness, GetParam());
}

TEST_P(FileHiveStateContract, Holds) {
  RegistryFileHiveHarness harness;
  contract::runStateCase(harness, GetParam());
}

TEST_P(FileHiveScenarioContract, Holds) {
  RegistryFileHiveHarness harness;
  GetParam().run(harness);
}

INSTANTIATE_TEST_SUITE_P(Accessor, FileHiveValueContract,
                         ::testing::ValuesIn(contract::valueCases()), contract::CaseName());
INSTANTIATE_TEST_SUITE_P(Accessor, FileHiveStateContract,
                         ::testing::ValuesIn(contract::stateCases()), contract::CaseName());
INSTANTIATE_TEST_SUITE_P(Accessor, FileHiveScenarioContract,
                         ::testing::ValuesIn(contract::scenarios()), contract::CaseName());

}  // namespace

#endif  // !_WIN32
