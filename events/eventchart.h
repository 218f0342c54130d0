#pragma once
// The chart of the events shown: stacked bars per day (or week, month, year
// for long ranges) or per hour of the day, stacked by kind of event or by
// relay, with the choice of both above it. A click on a bar of dates asks for
// the events of that bar's dates, and Back (offered by the owner) for the
// dates before; a pointer resting on a bar shows its count. The axes are
// titled, the value axis reaches a tenth above the tallest bar, and the date
// labels carry the year when the range spans years.
#include <QDate>
#include <QWidget>

#include "eventfilter.h"

class QComboBox;
class QLabel;
class QPushButton;

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
    // Offers Back to the dates named (hidden for an empty text).
    void OfferBack(const QString &earlierDates);

signals:
    // The period or the stacking was changed: the owner counts anew.
    void optionsChanged();
    // A bar of dates was clicked.
    void datesClicked(QDate from, QDate to);
    // Back to the dates before the last click.
    void backClicked();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void draw();
    void placeLabels();
    void barClicked(int index);
    void barHovered(bool on, int index, QBarSet *set);

    QComboBox *m_period = nullptr;
    QComboBox *m_stack = nullptr;
    QPushButton *m_back = nullptr;
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
