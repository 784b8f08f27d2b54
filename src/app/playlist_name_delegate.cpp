// The playlist-name drop-down.
#include "app/playlist_name_delegate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>

#include "app/match_model.h"

namespace brelvik {

PlaylistNameDelegate::PlaylistNameDelegate(const MatchModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

QWidget* PlaylistNameDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                            const QModelIndex&) const {
  auto* combo = new QComboBox(parent);
  combo->setObjectName("Combo_PlaylistName");
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMaxVisibleItems(15);
  combo->addItem(no_match_);
  combo->addItems(model_.SortedNames());
  // Typing narrows the list to the names containing the text, wherever it
  // stands in them: "спорт" finds "Матч! Спорт" as well as "Спорт 1".
  auto* completer = new QCompleter(combo->model(), combo);
  completer->setCaseSensitivity(Qt::CaseInsensitive);
  completer->setFilterMode(Qt::MatchContains);
  completer->setCompletionMode(QCompleter::PopupCompletion);
  completer->setMaxVisibleItems(15);
  completer->popup()->setObjectName("List_PlaylistNames");
  // The list is a window of its own, which takes no font from the table.
  completer->popup()->setFont(parent->font());
  combo->setCompleter(completer);
  // A name picked from the narrowed list is the choice: no second Enter.
  auto* self = const_cast<PlaylistNameDelegate*>(this);
  connect(completer, qOverload<const QString&>(&QCompleter::activated), combo, [self, combo] {
    emit self->commitData(combo);
    emit self->closeEditor(combo, QAbstractItemDelegate::NoHint);
  }, Qt::QueuedConnection);
  return combo;
}

void PlaylistNameDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  auto* combo = static_cast<QComboBox*>(editor);
  const QString current = index.data(Qt::EditRole).toString();
  const int item = current.isEmpty() ? 0 : combo->findText(current, Qt::MatchExactly);
  combo->setCurrentIndex(item);
  if (item < 0) combo->setEditText(current);
  combo->lineEdit()->selectAll();
}

void PlaylistNameDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                        const QModelIndex& index) const {
  model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
}

}  // namespace brelvik
