#pragma once
// The chart of the events shown: stacked bars per day (or week, month, year
// for long ranges) or per hour of the day, stacked by kind of event or by
// relay, with the choice of both above it. A click on a bar of dates asks for
// the events of that bar's dates; a pointer resting on a bar shows its count.
#include <QDate>
#include <QWidget>

#include "eventfilter.h"

class QComboBox;
class QLabel;

QT_BEGIN_NAMESPACE
class QBarSet;
class QCategoryAxis;
class QChart;
class QChartView;
class QStackedBarSeries;
class QValueAxis;
QT_END_NAMESPACE

namespace porv {

class EventChart : public QWidget {
    Q_OBJECT
public:
    explicit EventChart(QWidget *parent = nullptr);

    ChartPeriod Period() const;
    ChartStack Stack() const;

    // Draws the counts; `range` names the dates they cover (the title). While
    // the chart is hidden the drawing waits until it shows.
    void Show(const EventChartData &data, const QString &range);
    const EventChartData &Data() const { return m_data; }
    QChart *Chart() const { return m_chart; }
    QChartView *View() const { return m_view; }

signals:
    // The period or the stacking was changed: the owner counts anew.
    void optionsChanged();
    // A bar of dates was clicked.
    void datesClicked(QDate from, QDate to);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void draw();
    void barClicked(int index);
    void barHovered(bool on, int index, QBarSet *set);

    QComboBox *m_period = nullptr;
    QComboBox *m_stack = nullptr;
    QChartView *m_view = nullptr;
    QChart *m_chart = nullptr;
    QStackedBarSeries *m_series = nullptr;
    QCategoryAxis *m_x = nullptr;
    QValueAxis *m_y = nullptr;
    QLabel *m_note = nullptr;
    EventChartData m_data;
    QString m_range;
    bool m_stale = false;
};

} // namespace porv
