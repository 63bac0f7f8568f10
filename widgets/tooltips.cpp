// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/tooltips.h"

#include "widgets/control_id.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPointer>
#include <QToolTip>
#include <QWidget>

namespace orbilan {

namespace {

// One watcher serves every control that has a hint: it shows the wrapped text when Qt asks for a tip.
// A disabled control takes no mouse messages and so shows no tip; one that is disabled while
// its tip is up takes the tip down.
class TooltipWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr) return false;
        if (event->type() == QEvent::EnabledChange) {
            if (!widget->isEnabled() && QToolTip::isVisible() && QToolTip::text() == shown_for(widget))
                QToolTip::hideText();
            return false;
        }
        if (event->type() != QEvent::ToolTip || widget->toolTip().isEmpty()) return false;
        if (!widget->isEnabled()) return true;
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), shown_for(widget), widget, QRect(), TOOLTIP_AUTOPOP_MS);
        return true;
    }

private:
    static QString shown_for(const QWidget* widget)
    {
        return wrap_hint(widget->toolTip(), QFontMetrics(QToolTip::font()), TOOLTIP_MAX_WIDTH);
    }
};

TooltipWatcher* tooltip_window()
{
    static QPointer<TooltipWatcher> watcher;
    if (watcher.isNull()) watcher = new TooltipWatcher(qApp);
    return watcher;
}

}  // namespace

QString wrap_hint(const QString& text, const QFontMetrics& metrics, int max_width)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(' ')) {
        const QString candidate = line.isEmpty() ? word : line + ' ' + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > max_width) {
            lines << line;
            line = word;
        } else {
            line = candidate;
        }
    }
    lines << line;
    return lines.join('\n');
}

bool AddTooltip(QWidget* panel, int control_id, const QString& text)
{
    if (panel == nullptr) return false;
    QWidget* tool = control_id == 0 ? panel : find_control(panel, control_id);
    if (tool == nullptr) return false;
    panel->window()->setAttribute(Qt::WA_AlwaysShowToolTips);
    tool->setToolTip(text);
    tool->setToolTipDuration(TOOLTIP_AUTOPOP_MS);
    tool->installEventFilter(tooltip_window());
    return true;
}

}  // namespace orbilan
