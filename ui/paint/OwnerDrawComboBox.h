#pragma once

#include <QComboBox>

class ListRowDelegate;

// The playlist-source drop-down: its open list and its closed face both draw rows with the
// source drop-down's delegate, so entries show without their scheme prefix while itemText()
// still gives the entries as stored.
class OwnerDrawComboBox final : public QComboBox {
    Q_OBJECT
public:
    explicit OwnerDrawComboBox(QWidget *parent = nullptr);

    ListRowDelegate *rowDelegate() const { return m_delegate; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ListRowDelegate *m_delegate = nullptr;
};
