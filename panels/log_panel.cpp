// SPDX-License-Identifier: GPL-3.0-or-later
#include <QComboBox>

#include "files/log_writer.h"
#include "files/number_format.h"
#include "panels/control_ids.h"
#include "panels/panel.h"
#include "panels/panel_handlers.h"
#include "platform/platform.h"

namespace orbilan {

namespace {

QString text_of(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

// The number a list item starts with ("2 : POSITION" gives 2).
int leading_number(const QString& item)
{
    return round_half_even(parse_number_text(item.section(' ', 0, 0).toStdString()));
}

}  // namespace

void fill_log_lists(Session& s)
{
    QComboBox& modes = *s.panels.log_panel->combo(LG_MODE);
    QComboBox& bodies = *s.panels.log_panel->combo(LG_BODY);
    modes.clear();
    for (const std::string_view item : LOG_MODE_ITEMS) modes.addItem(text_of(item));
    bodies.clear();
    for (int i = 1; i <= s.table.body_count; ++i)
        bodies.addItem(QString::fromStdString(log_body_item_text(i, s.table.name[i])));
    modes.setCurrentIndex(0);
    bodies.setCurrentIndex(0);
}

void choose_log_file(Session& s)
{
    s.control.log_file_name.clear();
    s.control.log_file_name =
        s.platform.save_file("Open Log", (s.files.data_folder / "Logs").string(), "TXT(*.txt)", "TXT");
    s.panels.log_panel->set_text(LG_FILE_NAME, QString::fromStdString(s.control.log_file_name));
    if (s.control.log_file_name.empty()) s.platform.message_box({"Canceled !", "ORBILAN", MessageIcon::information});
}

void read_log_settings(Session& s)
{
    Panel& p = *s.panels.log_panel;
    s.control.log_enabled = p.is_checked(LG_ENABLED) ? 1 : 0;
    if (s.control.log_enabled == 0) return;
    s.control.log_file_name = p.text(LG_FILE_NAME).toStdString();
    if (s.control.log_file_name.empty()) {
        s.control.log_file_name = default_log_path(s.files.data_folder).string();
        p.set_text(LG_FILE_NAME, QString::fromStdString(s.control.log_file_name));
    }
    s.state.log_mode = static_cast<LogMode>(leading_number(p.combo(LG_MODE)->currentText()));
    s.state.log_body = leading_number(p.combo(LG_BODY)->currentText());
    s.state.log_every = round_half_even(parse_number_text(p.text(LG_EVERY).toStdString()));
}

void log_panel_handler(Session& s, int id)
{
    if (id == LG_SELECT_FILE) choose_log_file(s);
    if (id == LG_HIDE) hide_panel(*s.panels.log_panel, s.states.log_panel_state);
}

}  // namespace orbilan
