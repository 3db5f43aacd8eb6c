#pragma once

#include <QPaintDevice>
#include <QPaintEngine>
#include <QStringList>

#include <climits>

// A paint device that draws nothing and keeps every run of text painted on it, in order: what a
// delegate says where no widget holds the text. A text in more than one font face (digits and
// Han) comes as several runs; `joined()` puts them together.
class PaintedTexts : public QPaintDevice {
public:
    QStringList runs() const { return m_engine.runs; }
    QString joined() const { return m_engine.runs.join(QString()); }
    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 2000;
        case PdmWidthMM:
        case PdmHeightMM:
            return 529;
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    class Engine : public QPaintEngine {
    public:
        Engine()
            : QPaintEngine(QPaintEngine::AllFeatures)
        {
        }
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override { runs << item.text(); }
        Type type() const override { return QPaintEngine::User; }

        QStringList runs;
    };

    mutable Engine m_engine;
};
