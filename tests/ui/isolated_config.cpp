#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The shared settings (the interface language among them) and the state of a test process
// live in throwaway directories, never in the user's own: whatever reaches them (the stand-ins,
// a core made on first need) finds these.
class IsolatedConfig : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("VELMORAND_CONFIG_DIR", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("VELMORAND_STATE_DIR", m_dir.filePath(QStringLiteral("state")).toLocal8Bit());
    }

private:
    QTemporaryDir m_dir;
};

const auto* const isolatedConfig = ::testing::AddGlobalTestEnvironment(new IsolatedConfig);

} // namespace
