#include "../secret_store.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>

namespace {

// The desktop's secret service through QtKeychain. Its jobs are asynchronous; callers want an
// answer at once, so each call waits for its job.
class QtKeychainSecretStore final : public SecretStore {
public:
    bool save(const QString& service, const QString& account, const QString& secret) override
    {
        QKeychain::WritePasswordJob job(service);
        job.setAutoDelete(false);
        job.setKey(account);
        job.setTextData(secret);
        return runJob(job);
    }

    std::optional<QString> read(const QString& service, const QString& account) override
    {
        QKeychain::ReadPasswordJob job(service);
        job.setAutoDelete(false);
        job.setKey(account);
        if (!runJob(job))
            return std::nullopt;
        return job.textData();
    }

    bool remove(const QString& service, const QString& account) override
    {
        QKeychain::DeletePasswordJob job(service);
        job.setAutoDelete(false);
        job.setKey(account);
        return runJob(job);
    }

private:
    static bool runJob(QKeychain::Job& job)
    {
        QEventLoop loop;
        QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
        job.start();
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        return job.error() == QKeychain::NoError;
    }
};

} // namespace

std::unique_ptr<SecretStore> SecretStore::makeNative() { return std::make_unique<QtKeychainSecretStore>(); }
