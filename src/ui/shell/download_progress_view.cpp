#include "download_progress_view.h"

#include "app/app_events.h"
#include "ui/common/button.h"
#include "ui/common/linear_progress.h"
#include "ui/common/symbol_view.h"
#include "ui/common/text_label.h"

#include <QStackedWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {
QVBoxLayout* pageLayout(QWidget* page)
{
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Spacing::l);
    column->addSpacing(Spacing::m);
    return column;
}
} // namespace

DownloadProgressView::DownloadProgressView(AppEvents& notifier, QString version, std::function<void()> onCancel,
                                           std::function<void()> onComplete, QWidget* parent)
    : QWidget(parent)
    , m_onCancel(std::move(onCancel))
    , m_onComplete(std::move(onComplete))
{
    setFixedWidth(320);
    setMinimumHeight(210);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(Spacing::xl, Spacing::xl, Spacing::xl, Spacing::xl);
    m_pages = new QStackedWidget(this);
    outer->addWidget(m_pages);

    auto* running = new QWidget(m_pages);
    auto* column = pageLayout(running);
    column->addWidget(new SymbolView(QStringLiteral("arrow.down.to.line.compact"), 32, TextColor::Blue, running), 0,
                      Qt::AlignHCenter);
    auto* title = makeOneLineLabel(QStringLiteral("正在下载 v") + version + QStringLiteral("..."), TextStyle::Headline,
                                   TextColor::Primary, running);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    m_bar = new LinearProgress(running);
    m_bar->setFixedWidth(240);
    column->addWidget(m_bar, 0, Qt::AlignHCenter);
    m_percent = makeLabel(percentText(0), TextStyle::Caption, TextColor::Secondary, running);
    m_percent->setObjectName(QStringLiteral("percent"));
    m_percent->setAlignment(Qt::AlignCenter);
    column->addWidget(m_percent);
    auto* cancel = new Button(QStringLiteral("取消"), Button::Style::Plain, running);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(cancel, &QPushButton::clicked, this, [this] { m_onCancel(); });
    column->addWidget(cancel, 0, Qt::AlignHCenter);
    column->addSpacing(Spacing::m);
    m_pages->addWidget(running);

    auto* finished = new QWidget(m_pages);
    column = pageLayout(finished);
    column->addWidget(new SymbolView(QStringLiteral("checkmark.circle.fill"), 40, TextColor::Green, finished), 0,
                      Qt::AlignHCenter);
    auto* done = makeLabel(QStringLiteral("下载完成"), TextStyle::Headline, TextColor::Primary, finished);
    done->setAlignment(Qt::AlignCenter);
    column->addWidget(done);
    auto* hint = makeLabel(QStringLiteral("点击下方按钮，自动覆盖安装并重启"), TextStyle::Caption, TextColor::Secondary,
                           finished);
    hint->setAlignment(Qt::AlignCenter);
    hint->setWordWrap(true);
    column->addWidget(hint);
    auto* install = new Button(QStringLiteral("自动更新并重启"), Button::Style::Prominent, finished);
    install->setObjectName(QStringLiteral("installButton"));
    connect(install, &QPushButton::clicked, this, [this] { m_onComplete(); });
    column->addWidget(install, 0, Qt::AlignHCenter);
    column->addSpacing(Spacing::m);
    m_pages->addWidget(finished);

    connect(&notifier, &AppEvents::downloadProgress, this, &DownloadProgressView::setProgress);
    connect(&notifier, &AppEvents::downloadComplete, this, &DownloadProgressView::complete);
}

QString DownloadProgressView::percentText(double progress)
{
    return QString::number(qint64(std::trunc(progress * 100))) + QLatin1Char('%');
}

void DownloadProgressView::setProgress(double progress)
{
    m_progress = progress;
    m_bar->setValue(progress);
    m_percent->setText(percentText(progress));
}

void DownloadProgressView::complete()
{
    m_isComplete = true;
    setProgress(1.0);
    m_pages->setCurrentIndex(1);
}
