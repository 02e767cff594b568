#pragma once

// The tile properties dialog: which sensor a tile shows, its display type and its subtitle.

#include "dashboard/sensorframe.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;
class QPushButton;

namespace gaugeloft {

class TPropertiesForm : public QDialog {
    Q_OBJECT
public:
    explicit TPropertiesForm(QWidget* parent = nullptr);

    void Fill(const TSensorFrame& tile);
    void Apply(TSensorFrame& tile) const;  // on OK only
    void SpeedButton1Click();              // empties the name box

    QLabel* Label1() const;      // heading: the tile's title
    QLineEdit* Edit1() const;    // subtitle, editable
    QLineEdit* Edit2() const;    // sensor path, read-only
    QLineEdit* Edit3() const;    // "#" and the tile number, read-only
    QRadioButton* RadioButton(int number) const;  // 1..7: display types 0..6
    QToolButton* SpeedButton1() const;
    QPushButton* OkButton() const;

protected:
    void showEvent(QShowEvent* event) override;  // FormShow: positions the dialog

private:
    QLabel* m_picture = nullptr;
    QLabel* m_heading = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_path = nullptr;
    QLineEdit* m_id = nullptr;
    QRadioButton* m_types[7] = {};
    QToolButton* m_clear = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace gaugeloft
