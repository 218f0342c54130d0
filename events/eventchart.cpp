#include "eventchart.h"

#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>

#include "namedchoice.h"

#include <algorithm>
#include <cmath>

namespace porv {

namespace {

// A colour for each series, the same for a series whatever else is shown.
QColor seriesColour(const QString &name)
{
    static const QList<std::pair<QString, QColor>> named = {
        {QStringLiteral("Room"), QColor(0x4e, 0x79, 0xa7)},    {QStringLiteral("In call"), QColor(0xf2, 0x8e, 0x2b)},
        {QStringLiteral("Button"), QColor(0x59, 0xa1, 0x4f)},  {QStringLiteral("error"), QColor(0xe1, 0x57, 0x59)},
        {QStringLiteral("Relay 1"), QColor(0x4e, 0x79, 0xa7)}, {QStringLiteral("Relay 2"), QColor(0xf2, 0x8e, 0x2b)},
    };
    for (const auto &[n, colour] : named) {
        if (n == name)
            return colour;
    }
    static const QColor others[] = {QColor(0x76, 0xb7, 0xb2), QColor(0xed, 0xc9, 0x48), QColor(0xb0, 0x7a, 0xa1),
                                    QColor(0x9c, 0x75, 0x5f)};
    return others[qHash(name) % (sizeof(others) / sizeof(others[0]))];
}

// A step of 1, 2 or 5 times a power of ten giving at most about five steps.
int niceStep(int top)
{
    int step = 1;
    for (int power = 1;; power *= 10) {
        for (int m : {1, 2, 5}) {
            step = m * power;
            if (top / step <= 5)
                return step;
        }
    }
}

QFont smaller(QFont font, qreal by)
{
    font.setPointSizeF(std::max(6.0, font.pointSizeF() - by));
    return font;
}

} // namespace

EventChart::EventChart(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EventChartPanel"));
    m_period = new NamedChoice(QStringLiteral("Chart period"), this);
    m_period->setObjectName(QStringLiteral("ChartPeriod"));
    m_period->addItem(QStringLiteral("Events per day"));
    m_period->addItem(QStringLiteral("Events per hour of the day"));
    m_stack = new NamedChoice(QStringLiteral("Chart stacking"), this);
    m_stack->setObjectName(QStringLiteral("ChartStack"));
    m_stack->addItem(QStringLiteral("by kind"));
    m_stack->addItem(QStringLiteral("by relay"));
    // The choices take the width the chart beside the grid has, not that of
    // their longest item.
    for (QComboBox *box : {m_period, m_stack}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(box == m_period ? 8 : 5);
    }
    m_back = new QPushButton(QStringLiteral("Back"), this);
    m_back->setObjectName(QStringLiteral("ChartBack"));
    m_back->setAutoDefault(false);
    m_back->hide();
    connect(m_back, &QPushButton::clicked, this, &EventChart::backClicked);
    connect(m_period, &QComboBox::currentIndexChanged, this, &EventChart::optionsChanged);
    connect(m_stack, &QComboBox::currentIndexChanged, this, &EventChart::optionsChanged);

    m_chart = new QChart;
    m_chart->setAnimationOptions(QChart::NoAnimation);
    m_chart->setBackgroundRoundness(0);
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    m_chart->layout()->setContentsMargins(0, 0, 0, 0);
    m_chart->setTitleFont(smaller(font(), 0));
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->legend()->setFont(smaller(font(), 1));
    m_chart->legend()->setMarkerShape(QLegend::MarkerShapeRectangle);

    m_series = new QStackedBarSeries;
    m_series->setBarWidth(0.85);
    m_chart->addSeries(m_series);
    m_x = new QCategoryAxis;
    m_x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_x->setGridLineVisible(false);
    m_x->setLabelsFont(smaller(font(), 1));
    m_x->setTitleFont(smaller(font(), 1));
    m_y = new QValueAxis;
    m_y->setLabelFormat(QStringLiteral("%d"));
    m_y->setLabelsFont(smaller(font(), 1));
    m_y->setTitleFont(smaller(font(), 1));
    m_y->setTitleText(QStringLiteral("Events"));
    m_chart->addAxis(m_x, Qt::AlignBottom);
    m_chart->addAxis(m_y, Qt::AlignLeft);
    m_series->attachAxis(m_x);
    m_series->attachAxis(m_y);
    connect(m_series, &QStackedBarSeries::clicked, this, [this](int index, QBarSet *) { barClicked(index); });
    connect(m_series, &QStackedBarSeries::hovered, this, &EventChart::barHovered);
    // The labels that fit follow the plot's width once the chart has laid
    // itself out.
    connect(m_chart, &QChart::plotAreaChanged, this, &EventChart::placeLabels, Qt::QueuedConnection);

    m_view = new QChartView(m_chart, this);
    m_view->setObjectName(QStringLiteral("EventChart"));
    m_view->setAccessibleName(QStringLiteral("Events chart"));
    m_view->setRenderHint(QPainter::Antialiasing, false);
    m_view->setFrameShape(QFrame::NoFrame);
    // The view takes the focus (and the name); its drawing area is part of it.
    m_view->viewport()->setFocusPolicy(Qt::NoFocus);

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("EventChartNote"));
    m_note->setWordWrap(true);
    m_note->hide();

    auto *options = new QHBoxLayout;
    options->setContentsMargins(0, 0, 0, 0);
    options->addWidget(m_period, 1);
    options->addWidget(m_stack);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addLayout(options);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_back, 0, Qt::AlignLeft);
    layout->addWidget(m_note);
}

ChartPeriod EventChart::Period() const
{
    return m_period->currentIndex() == 1 ? ChartPeriod::HourOfDay : ChartPeriod::Days;
}

ChartStack EventChart::Stack() const { return m_stack->currentIndex() == 1 ? ChartStack::Relay : ChartStack::Kind; }

void EventChart::Show(const EventChartData &data, const QString &range)
{
    m_data = data;
    m_range = range;
    if (isVisible())
        draw();
    else
        m_stale = true;
}

void EventChart::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        draw();
}

void EventChart::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // As many labels as the new width holds.
    if (isVisible() && !m_stale)
        placeLabels();
}

void EventChart::OfferBack(const QString &earlierDates)
{
    m_back->setVisible(!earlierDates.isEmpty());
    m_back->setToolTip(earlierDates.isEmpty() ? QString() : QStringLiteral("Back to ") + earlierDates);
    m_back->setAccessibleDescription(m_back->toolTip());
}

void EventChart::placeLabels()
{
    const int bars = int(m_data.categories.size());
    if (bars == 0) {
        for (const QString &label : m_x->categoriesLabels())
            m_x->remove(label);
        return;
    }
    // Labels on a few bars only, as many as fit beside each other.
    int widest = 0;
    const QFontMetrics metrics(m_x->labelsFont());
    for (const QString &c : m_data.categories)
        widest = std::max(widest, metrics.horizontalAdvance(c));
    // Before the chart's first layout its plot area is empty: the view less
    // the value axis then stands for it.
    const qreal plot = m_chart->plotArea().width() > 0 ? m_chart->plotArea().width() : m_view->width() - 50.0;
    const int room = std::max(1, int(plot) / (widest + 12));
    const int labels = std::min(room, m_data.barUnit == QLatin1String("hour") ? 8 : 6);
    const int every = std::max(1, int(std::ceil(double(bars) / std::max(1, labels))));
    QStringList wanted;
    for (int b = 0; b < bars; b += every)
        wanted << m_data.categories[b];
    if (wanted == m_x->categoriesLabels())
        return;
    for (const QString &label : m_x->categoriesLabels())
        m_x->remove(label);
    for (int b = 0; b < bars; b += every)
        m_x->append(m_data.categories[b], b);
}

void EventChart::draw()
{
    m_stale = false;
    m_series->clear();
    const int bars = int(m_data.categories.size());
    int top = 0;
    for (int b = 0; b < bars; ++b) {
        int stacked = 0;
        for (const auto &s : m_data.counts)
            stacked += s[size_t(b)];
        top = std::max(top, stacked);
    }
    QList<QBarSet *> sets;
    for (qsizetype s = 0; s < m_data.series.size(); ++s) {
        auto *set = new QBarSet(m_data.series[s]);
        QList<qreal> values;
        values.reserve(bars);
        for (int n : m_data.counts[size_t(s)])
            values << n;
        set->append(values);
        set->setColor(seriesColour(m_data.series[s]));
        // Thin bars of a long range stay visible without an outline.
        set->setPen(bars > 40 ? QPen(Qt::NoPen) : QPen(set->color().darker(130)));
        sets << set;
    }
    m_series->append(sets);
    m_series->setBarWidth(bars > 40 ? 1.0 : 0.85);

    m_x->setStartValue(-0.5);
    m_x->setRange(-0.5, std::max(0.5, bars - 0.5));
    static const QList<std::pair<QString, QString>> titles = {
        {QStringLiteral("day"), QStringLiteral("Day")},     {QStringLiteral("week"), QStringLiteral("Week")},
        {QStringLiteral("month"), QStringLiteral("Month")}, {QStringLiteral("year"), QStringLiteral("Year")},
        {QStringLiteral("hour"), QStringLiteral("Hour of the day")},
    };
    m_x->setTitleText(QString());
    for (const auto &[unit, title] : titles)
        if (unit == m_data.barUnit)
            m_x->setTitleText(title);
    placeLabels();

    // A tenth above the tallest bar at least, so that its top stands clear.
    const int wanted = std::max(top + 1, int(std::ceil(top * 1.1)));
    const int step = niceStep(wanted);
    const int yTop = std::max(step, (wanted + step - 1) / step * step);
    m_y->setRange(0, yTop);
    m_y->setTickCount(yTop / step + 1);

    // The bars' period is the title of the dates' axis.
    QString title = bars == 0 ? QStringLiteral("No events to show") : QStringLiteral("%1 events").arg(m_data.Total());
    if (bars > 0 && !m_range.isEmpty())
        title += QStringLiteral(", ") + m_range;
    m_chart->setTitle(title);
    if (m_data.leftOut > 0) {
        m_note->setText(QStringLiteral("%1 of the events shown have no readable %2 and are not in the chart.")
                            .arg(m_data.leftOut)
                            .arg(m_data.barUnit == QLatin1String("hour") ? QStringLiteral("time")
                                                                         : QStringLiteral("date")));
        m_note->show();
    } else {
        m_note->hide();
    }
}

void EventChart::barClicked(int index)
{
    if (index < 0 || size_t(index) >= m_data.spans.size())
        return;
    // The bar that reports the click is still handling its mouse release:
    // the chart is drawn afresh (and that bar deleted) only after it.
    const auto [from, to] = m_data.spans[size_t(index)];
    QMetaObject::invokeMethod(this, [this, from = from, to = to] { emit datesClicked(from, to); },
                              Qt::QueuedConnection);
}

void EventChart::barHovered(bool on, int index, QBarSet *)
{
    if (!on || index < 0 || index >= m_data.categories.size()) {
        QToolTip::hideText();
        return;
    }
    QString text;
    if (m_data.spans.empty()) {
        text = QStringLiteral("%1:00").arg(m_data.categories[index]);
    } else {
        const auto &[from, to] = m_data.spans[size_t(index)];
        text = from.toString(QStringLiteral("dd/MM/yy"));
        if (to != from)
            text += QStringLiteral(" to ") + to.toString(QStringLiteral("dd/MM/yy"));
    }
    for (qsizetype s = 0; s < m_data.series.size(); ++s) {
        const int n = m_data.counts[size_t(s)][size_t(index)];
        if (n > 0)
            text += QStringLiteral("\n%1: %2").arg(m_data.series[s]).arg(n);
    }
    QToolTip::showText(QCursor::pos(), text, m_view);
}

} // namespace porv
