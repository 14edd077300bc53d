#pragma once
// manage started on a fresh event database of a temporary working folder,
// with recording fakes for its message boxes, sounds and shell, and the
// form's controls found by their names.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "eventdb/event_database.h"
#include "manage/manage.h"
#include "platform/fake/memory_registry.h"
#include "platform/fake/recording_shell.h"
#include "platform/fake/recording_sound.h"
#include "platform/fake/recording_ui.h"
#include "tests/support/fake_instances.h"
#include "tests/support/qt_app.h"
#include "tests/support/temp_dir.h"

namespace zelkor::manage {

class ManageTest : public ::testing::Test {
  protected:
    testing::TempDir work;
    testing::TempDir programDir;
    platform::MemoryRegistry registry;
    platform::RecordingUi ui;
    platform::RecordingSound sound;
    platform::RecordingShell shell;
    testing::FakeInstances instances;
    ManageContext context{registry, instances, {ui, sound, shell}, programDir.path()};
    Manage manage;
    std::string db = work.file("Vrak.mdb");

    void SetUp() override {
        testing::qtApp();
        registry.putText(eventdb::kProductKey, "WORKINGDIR", work.path());
        registry.putNumber(eventdb::kProductKey, "USEACCESS", 1);
        std::string error;
        ASSERT_TRUE(eventdb::CreateEventDatabase(db, &error)) << error;
    }
    void addEvent(const std::string& desc, const std::string& bitmap,
                  const eventdb::Value& video = std::nullopt) {
        eventdb::EventDatabase d;
        ASSERT_TRUE(eventdb::OpenEventDatabase(d, db));
        eventdb::FieldValues values{{"Desc", desc}, {"Bitmap", bitmap}};
        if (video) {
            values.emplace_back("Video", video);
        }
        ASSERT_TRUE(d.table.addNew(values));
    }
    VrakQuery& start() {
        EXPECT_EQ(StartManage(context, manage), ManageStart::Shown);
        return *manage.window;
    }
    template <typename T>
    T* child(const char* name) {
        auto* w = manage.window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString text(const char* name) {
        if (auto* l = manage.window->findChild<QLabel*>(name)) {
            return l->text();
        }
        if (auto* e = manage.window->findChild<QLineEdit*>(name)) {
            return e->text();
        }
        return child<QPlainTextEdit>(name)->toPlainText();
    }
    void click(const char* name) { child<QAbstractButton>(name)->click(); }
    size_t beeps() const { return sound.count(platform::SoundRequest::Kind::MessageBeep); }
};

}  // namespace zelkor::manage
