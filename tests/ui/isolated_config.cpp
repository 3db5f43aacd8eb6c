#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The shared settings (the interface language among them) of a test process live in a
// throwaway directory, never in the user's own configuration.
class IsolatedConfig : public ::testing::Environment {
public:
    void SetUp() override { qputenv("VELMORAND_CONFIG_DIR", m_dir.path().toLocal8Bit()); }

private:
    QTemporaryDir m_dir;
};

const auto* const isolatedConfig = ::testing::AddGlobalTestEnvironment(new IsolatedConfig);

} // namespace
