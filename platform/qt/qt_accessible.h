// What assistive technologies (a screen reader through Qt's accessibility
// layer: AT-SPI on Linux) see of the program's screen and its painted text.
// The screen widget is a window (a frame named by its title, not a bare
// container), so a screen reader announces it as one. The canvas of a
// ClientView is a read-only text object named "Report" whose text is the
// whole text of the last paint (ClientView::DrawnText), all of it, also the
// part scrolled out of view, with where each character was drawn. The text
// can be read, searched and reviewed line by line, not changed; its
// selection is the view's (one at most, read and set through the text
// interface), and the caret stays at the start. The keyboard stays with the
// screen, yet assistive technologies see it on the report while the view
// shows the focus frame, so that they read what the report says. A change of
// text or of the selection is announced while an assistive technology
// listens; a new text is also the report's new description, which screen
// readers speak. The program's calls are unchanged: this is the Qt
// backend's own.
#pragma once

class QString;
class QWidget;

// Makes Qt build the accessible objects of widgets marked by MarkAsScreen
// and MarkAsReport; once per process, before the first window (QtPlatform).
void InstallAccessibleObjects();
// Marks screen (the top-level widget the program's windows live in) as the
// program's window.
void MarkAsScreen(QWidget* screen);
// Marks canvas (the widget a ClientView paints on) as a report.
void MarkAsReport(QWidget* canvas);
// Tells assistive technologies that canvas's text went from old_text to
// new_text.
void AnnounceReportText(QWidget* canvas, const QString& old_text, const QString& new_text);
// Tells assistive technologies, once the event in progress is handled,
// that the report on canvas has the keyboard, if it still shows it.
void AnnounceReportFocus(QWidget* canvas);
// Tells assistive technologies that canvas's selection is now start..end.
void AnnounceReportSelection(QWidget* canvas, int start, int end);
