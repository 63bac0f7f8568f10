// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/plot_window.h"

#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <QDateTime>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orbilan {

namespace {

struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void take(double value)
    {
        low = std::min(low, value);
        high = std::max(high, value);
    }
};

// Round numbers at the ends, with a little room around the values when margin is set; a flat
// curve gets some height so that it shows as a line.
void set_range(QValueAxis* axis, Range r, double margin)
{
    if (!(r.low <= r.high)) r = {0, 1};
    double room = (r.high - r.low) * margin;
    if (r.high == r.low) room = r.low == 0 ? 1e-16 : std::fabs(r.low) * 1e-3;
    axis->setRange(r.low - room, r.high + room);
    axis->applyNiceNumbers();
}

QList<QPointF> scaled(const std::vector<PlotPoint>& points, double time_factor, Range& times, Range& values)
{
    QList<QPointF> out;
    out.reserve(static_cast<qsizetype>(points.size()));
    for (const PlotPoint& p : points) {
        out.append({p.t * time_factor, p.v});
        times.take(p.t * time_factor);
        values.take(p.v);
    }
    return out;
}

}  // namespace

PlotWindow::Chart PlotWindow::make_chart(const QString& title, const QString& value_format)
{
    Chart c{new QChart, new QValueAxis, new QValueAxis};
    c.chart->setTitle(title);
    c.chart->addAxis(c.time_axis, Qt::AlignBottom);
    c.chart->addAxis(c.value_axis, Qt::AlignLeft);
    c.time_axis->setLabelFormat("%.4g");
    c.value_axis->setLabelFormat(value_format);
    return c;
}

PlotWindow::PlotWindow(QWidget* owner, const PlotFeed& feed)
    : QWidget(owner, Qt::Tool),
      feed_(feed),
      energy_(make_chart("relative change of the total energy since START", "%.2e")),
      logged_(make_chart({}, "%.3g"))
{
    setObjectName("plot_window");
    setWindowTitle("ORBILAN : PLOTS");
    resize(680, 560);

    energy_series_ = new QLineSeries;
    energy_series_->setName("(E - E0) / |E0|");
    energy_.chart->addSeries(energy_series_);
    energy_series_->attachAxis(energy_.time_axis);
    energy_series_->attachAxis(energy_.value_axis);
    energy_.chart->legend()->hide();
    for (int k = 0; k < 3; ++k) {
        logged_series_[k] = new QLineSeries;
        logged_series_[k]->setName(QString("xyz"[k]));
        logged_.chart->addSeries(logged_series_[k]);
        logged_series_[k]->attachAxis(logged_.time_axis);
        logged_series_[k]->attachAxis(logged_.value_axis);
    }

    curves_ = new QWidget(this);
    auto* charts = new QVBoxLayout(curves_);
    charts->setContentsMargins(0, 0, 0, 0);
    for (QChart* chart : {energy_.chart, logged_.chart}) {
        auto* view = new QChartView(chart, curves_);
        view->setRenderHint(QPainter::Antialiasing);
        view->setMinimumHeight(200);
        charts->addWidget(view, 1);
        logged_view_ = view;
    }
    logged_view_->hide();

    save_button_ = new QPushButton("Save PNG", this);
    save_button_->setToolTip("Save the plots as a PNG picture in the pictures folder");
    connect(save_button_, &QPushButton::clicked, this, [this] { save_plot(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_button_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(curves_, 1);
    layout->addLayout(buttons);
}

void PlotWindow::refresh(const QString& time_caption, double time_factor, bool now)
{
    const long long version = feed_.version();
    if (version == shown_version_ && time_caption == shown_caption_) return;
    if (!now && since_drawn_.isValid() && since_drawn_.elapsed() < 100) return;
    since_drawn_.start();
    shown_version_ = version;
    shown_caption_ = time_caption;

    // The axes first: a series replaced before its axes move is drawn against the old ones.
    Range times, values;
    const QList<QPointF> energy = scaled(feed_.energy().points(), time_factor, times, values);
    energy_.time_axis->setTitleText(time_caption);
    set_range(energy_.time_axis, times, 0);
    set_range(energy_.value_axis, values, 0.05);
    energy_series_->replace(energy);

    const auto logged = feed_.logged();
    logged_view_->setVisible(logged.has_value());
    if (!logged) return;
    const bool position = feed_.log_mode() == LogMode::position;
    logged_.chart->setTitle(QString(position ? "position (m)" : "acceleration (m/s²)") + " of object " +
                            QString::number(feed_.log_body()) + " (" + QString::fromStdString(feed_.log_body_name()) +
                            ")");
    times = {};
    values = {};
    QList<QPointF> components[3];
    for (int k = 0; k < 3; ++k) components[k] = scaled((*logged)[k], time_factor, times, values);
    logged_.time_axis->setTitleText(time_caption);
    set_range(logged_.time_axis, times, 0);
    set_range(logged_.value_axis, values, 0.05);
    for (int k = 0; k < 3; ++k) logged_series_[k]->replace(components[k]);
}

SavedPicture PlotWindow::save_plot()
{
    const SavedPicture picture = save_picture(curves_->grab().toImage(), pictures_folder(),
                                              QDateTime::currentDateTime(), "orbilan-plot", "The plot");
    announce_picture(picture, this);
    return picture;
}

}  // namespace orbilan
