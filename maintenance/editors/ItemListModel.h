#pragma once

#include <QAbstractListModel>
#include <QString>

#include <cstdint>
#include <vector>

namespace zel::ui {

// The lines of a list box: a text and a 32-bit item data per line, each text shown as ShownText
// shows it (At gives it as it is). Filling replaces every line
// in one model reset, so a list of any size is shown in one step; single lines are inserted,
// removed and moved with the matching row signals, so that a change of one line costs the same
// in a list of any length. Row arguments must be valid (callers check them).
class ItemListModel : public QAbstractListModel {
    Q_OBJECT
public:
    struct Line {
        QString Text;
        std::int32_t Data = 0;
    };

    explicit ItemListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // As QAbstractListModel's, without its virtual calls per line (a view's layout asks for every line).
    QModelIndex index(int row, int column = 0, const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    int Count() const { return static_cast<int>(mLines.size()); }
    // Line access; the index must be valid (callers check it).
    const Line& At(int row) const { return mLines[static_cast<std::size_t>(row)]; }
    void SetText(int row, const QString& text);
    void SetData(int row, std::int32_t data);

    // The first line whose item data is `data`, or -1.
    int RowOfData(std::int32_t data) const;
    // `row` may be Count() (appends).
    void InsertLine(int row, Line line);
    void RemoveLine(int row);
    // Moves line `from` so that it ends up at position `to`.
    void MoveLine(int from, int to);

    void SetLines(std::vector<Line> lines);
    void Clear();

private:
    std::vector<Line> mLines;
};

} // namespace zel::ui
