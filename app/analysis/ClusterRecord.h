#pragma once

#include <QAbstractTableModel>
#include <QRgb>
#include <string>
#include <vector>

#include "app/analysis/rules/ClusterResult.h"

// The result list's one virtual record: every cell's text is made on request
// from the run's snapshot, so nothing is kept per row beyond the row entries.
class CClusterRecord : public QAbstractTableModel {
    Q_OBJECT

  public:
    // Colours of a group whose members are not all identical to its head.
    static constexpr QRgb kHighlightText = 0xFFFF0000;
    static constexpr QRgb kHighlightBack = 0xFF00D3BE;  // RGB(0, 211, 190)

    CClusterRecord(const korvex::CClusterResult& result, int dataSetIndex,
                   QObject* parent = nullptr);

    void SetColumns(std::vector<std::string> captions, korvex::ClusterCellTextFn cellText);
    // The same columns under new captions, or with a new text function.
    void SetCaptions(std::vector<std::string> captions);
    void SetCellText(korvex::ClusterCellTextFn cellText);
    const std::vector<std::string>& Captions() const { return captions; }
    const korvex::ClusterCellTextFn& CellText() const { return cellText; }
    int DataSetIndex() const { return dataSetIndex; }
    // The row count changed: the view takes the record anew.
    void Reinstall();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const korvex::CClusterResult& result;
    int dataSetIndex;
    std::vector<std::string> captions;
    korvex::ClusterCellTextFn cellText;
    mutable std::string text;
};
