#pragma once

#include <QList>

class QFrame;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;

// The source frame of the multiview page: the grid of windows (rows) and input sources (columns) with one
// button per pair, the input resolution row and the auto switch row shown in SINGLE mode, and the field
// in which the operator renames an input source. The multiview page owns it, connects its buttons and
// decides what is shown; this class only builds, places, texts and marks the widgets.
class MultiviewSourceGrid
{
public:
    static constexpr int SourceCount = 9;
    static constexpr int WindowCount = 4;
    static constexpr int ButtonCount = SourceCount * WindowCount;

    // Creates the widgets that exist from the start: the auto switch row and the (hidden) rename field.
    explicit MultiviewSourceGrid(QFrame *frame);

    // Creates the grid itself and the input resolution row (once); `labelFilter` watches the source labels
    // for the double click that starts a rename.
    void build(QObject *labelFilter);
    bool isBuilt() const { return cornerLabel != nullptr; }

    // Sets every text from the language table, including the current source names.
    void applyTexts();
    // Shows the window rows below `windows` and the source columns below `inputs`, hides the rest.
    void showGrid(int windows, int inputs);
    // Places and shows the input resolution and auto switch rows (SINGLE mode), or hides them.
    void showSingleRows(bool visible);
    // Marks the button of `source` in the row of `window` as the selected one.
    void markSource(int window, int source);
    // 0 marks "on" as the device's state, any other value "off".
    void markAutoSwitch(int index);

    // Index of the source label `object`, or -1.
    int sourceLabelIndex(const QObject *object) const;
    // Opens the rename field above source label `index`.
    void beginRename(int index);
    // Applies the rename field's text to the source being edited (an empty text keeps the name) and
    // closes the field.
    void finishRename();

    QFrame *frame = nullptr;
    QLabel *cornerLabel = nullptr;
    QList<QLabel *> sourceLabels;
    QList<QLabel *> windowLabels;
    QList<QPushButton *> sourceButtons; // button k: window k / 9, source k % 9
    QLabel *resolutionLabel = nullptr;
    QLineEdit *resolutionField = nullptr;
    QPushButton *resolutionReadButton = nullptr;
    QLabel *autoSwitchLabel = nullptr;
    QPushButton *autoSwitchOnButton = nullptr;
    QPushButton *autoSwitchOffButton = nullptr;
    QLineEdit *renameField = nullptr;
    // Source label whose name is being edited; 0 while no edit is under way.
    int renameIndex = 0;
};
