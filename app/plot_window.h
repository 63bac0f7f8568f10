// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>

#include "app/plot_feed.h"
#include "app/view_picture.h"

class QChart;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;

namespace orbilan {

// A tool window of its owner drawing what a PlotFeed gathers: the energy's relative change, and
// below it the logged body's quantity when the run logs one, both against simulated time in the
// time panel's unit. A button saves both curves as a PNG picture beside the view's pictures.
class PlotWindow : public QWidget {
    Q_OBJECT
public:
    PlotWindow(QWidget* owner, const PlotFeed& feed);

    // Draws the feed anew when it changed or the time unit did; during a run (not now) at most
    // ten times a second, which a person reading curves cannot tell from every frame.
    void refresh(const QString& time_caption, double time_factor, bool now = true);
    // The curves as orbilan-plot-YYYYMMDD-HHMMSS.png in the pictures folder, said in a message.
    SavedPicture save_plot();

    QLineSeries* energy_series() const { return energy_series_; }
    QLineSeries* logged_series(int k) const { return logged_series_[k]; }
    QPushButton* save_button() const { return save_button_; }

private:
    struct Chart {
        QChart* chart;
        QValueAxis* time_axis;
        QValueAxis* value_axis;
    };
    static Chart make_chart(const QString& title, const QString& value_format);

    const PlotFeed& feed_;
    Chart energy_;
    Chart logged_;
    QLineSeries* energy_series_;
    QLineSeries* logged_series_[3];
    QWidget* logged_view_;
    QWidget* curves_;
    QPushButton* save_button_;
    long long shown_version_ = -1;
    QElapsedTimer since_drawn_;
    QString shown_caption_;
};

}  // namespace orbilan
