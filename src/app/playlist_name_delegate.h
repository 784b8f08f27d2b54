// The editor of the match table's playlist-name cell: a drop-down of the
// playlist's names that narrows to those containing what is typed, with
// "no match" as its first item.
#pragma once

#include <QStyledItemDelegate>

namespace brelvik {

class MatchModel;

class PlaylistNameDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  PlaylistNameDelegate(const MatchModel& model, QObject* parent = nullptr);
  void SetNoMatchText(const QString& text) { no_match_ = text; }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

 private:
  const MatchModel& model_;
  QString no_match_;
};

}  // namespace brelvik
