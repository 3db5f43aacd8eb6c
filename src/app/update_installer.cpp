#include "update_installer.h"

#include "platform/shell_quote.h"

#include <QRegularExpression>
#include <QUuid>

namespace {

// Differences from a plain copy-over, each deliberate: the job runs from a fresh directory only
// root can write, holding its own copies of the script and the disk image, so that nothing the
// user (or a program of theirs) can change is run or installed as root; a failed mount stops the
// script instead of guessing a mount point; and the new application's signature must be our
// team's before the installed copy is touched, instead of signing whatever arrived ad hoc.
const char* const kScript = R"SCRIPT(#!/bin/bash
set -e
WORK="$(/usr/bin/dirname "$0")"
LOG="$WORK/velmorand_install.log"
echo "[$(date +%T)] updater started (pid $$)" > "$LOG"
DMG="$WORK/{image}"
APP_NAME="Velmorand.app"
APP_PATH="/Applications/Velmorand.app"
STAGING="$WORK/velmorand_update_stage"
echo "[$(date +%T)] target=$APP_PATH" >> "$LOG"

# 1) 等待当前 App 进程退出(最多等 30 秒)
for i in $(seq 1 60); do
  if ! pgrep -x Velmorand >/dev/null 2>&1; then
    break
  fi
  sleep 0.5
done
echo "[$(date +%T)] old app exited (waited ${i}x0.5s)" >> "$LOG"

# 2) 挂载 DMG(失败即中止)
MOUNT_POINT="$WORK/vq_mount"
if ! hdiutil attach "$DMG" -nobrowse -readonly -mountpoint "$MOUNT_POINT" >/dev/null 2>&1; then
  echo "[$(date +%T)] mount failed, aborting" >> "$LOG"
  exit 1
fi
echo "[$(date +%T)] mounted at $MOUNT_POINT" >> "$LOG"

# 3) 清空暂存区并解包新 App
rm -rf "$STAGING"
mkdir -p "$STAGING"
ditto "$MOUNT_POINT/$APP_NAME" "$STAGING/$APP_NAME"
echo "[$(date +%T)] extracted new app to staging" >> "$LOG"

# 3.5) 校验新 App 的代码签名(未通过则中止, 旧 App 保持不动)
if ! /usr/bin/codesign --verify --deep --strict -R='{requirement}' "$STAGING/$APP_NAME" >/dev/null 2>&1; then
  echo "[$(date +%T)] signature check failed, aborting" >> "$LOG"
  hdiutil detach "$MOUNT_POINT" 2>/dev/null || true
  rm -rf "$STAGING"
  exit 1
fi
echo "[$(date +%T)] signature verified" >> "$LOG"

# 4) 退出 App(如仍在运行) + 移除旧的 quarantine 属性
killall Velmorand 2>/dev/null || true
sleep 1
xattr -dr com.apple.quarantine "$STAGING/$APP_NAME" 2>/dev/null || true
echo "[$(date +%T)] killed app, cleared quarantine" >> "$LOG"

# 5) 替换 /Applications 里的旧 App
rm -rf "$APP_PATH"
ditto "$STAGING/$APP_NAME" "$APP_PATH"
xattr -dr com.apple.quarantine "$APP_PATH" 2>/dev/null || true
echo "[$(date +%T)] replaced app" >> "$LOG"

# 6) 卸载 DMG + 清理暂存
hdiutil detach "$MOUNT_POINT" 2>/dev/null || true
rm -rf "$STAGING" "$DMG"
echo "[$(date +%T)] cleaned up" >> "$LOG"

# 7) 重启新版本
open "$APP_PATH"
echo "[$(date +%T)] relaunched" >> "$LOG")SCRIPT";

} // namespace

namespace UpdateInstaller {

namespace {

const QString kScriptName = QStringLiteral("velmorand_auto_install.sh");

QString diskImageName(const QString& version)
{
    return QStringLiteral("Velmorand-v") + version + QStringLiteral(".dmg");
}

} // namespace

QString diskImagePath(const QString& workDir, const QString& version)
{
    return workDir + QLatin1Char('/') + diskImageName(version);
}

QString signatureRequirement()
{
    return QStringLiteral("anchor apple generic and certificate leaf[subject.OU] = \"") + teamIdentifier
        + QLatin1Char('"');
}

bool isSafeWorkDir(const QString& workDir)
{
    static const QRegularExpression pattern(QStringLiteral("\\A/[A-Za-z0-9/._-]+\\z"));
    return pattern.match(workDir).hasMatch() && !workDir.contains(QStringLiteral(".."));
}

QString scriptText(const QString& version)
{
    auto text = QString::fromUtf8(kScript);
    text.replace(QStringLiteral("{image}"), diskImageName(version));
    text.replace(QStringLiteral("{requirement}"), signatureRequirement());
    return text;
}

QString newJobLabel()
{
    const auto uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return QStringLiteral("com.velmorand.updater") + uuid.left(8);
}

QString submissionScript(const QString& label, const QString& workDir, const QString& version)
{
    // The script travels inside this command, never through a file the user can write.
    return QStringLiteral("set -e\n"
                          "WORK=$(/usr/bin/mktemp -d /private/tmp/velmorand-install.XXXXXX)\n"
                          "/bin/cp -- ")
        + shellQuoted(diskImagePath(workDir, version)) + QStringLiteral(" \"$WORK/") + diskImageName(version)
        + QStringLiteral("\"\n/bin/cat > \"$WORK/") + kScriptName + QStringLiteral("\" <<'VELMORAND_INSTALLER'\n")
        + scriptText(version) + QStringLiteral("\nVELMORAND_INSTALLER\n/bin/launchctl remove ") + label
        + QStringLiteral(" 2>/dev/null || true\n/bin/launchctl submit -l ") + label
        + QStringLiteral(" -- /bin/bash \"$WORK/") + kScriptName + QStringLiteral("\"\n");
}

} // namespace UpdateInstaller
