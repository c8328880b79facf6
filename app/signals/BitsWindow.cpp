#include "app/signals/BitsWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>

#include "app/common/rules/HexText.h"
#include "app/common/rules/WriteFailureText.h"
#include "app/services/WindowHandle.h"
#include "app/signals/BitGrid.h"
#include "app/signals/SignalDatabases.h"
#include "app/signals/SignalPlot.h"
#include "app/signals/rules/SignalIds.h"
#include "core/discover/Discover.h"
#include "core/discover/DraftDbc.h"
#include "core/discover/FieldEdit.h"
#include "xtp/XTPResourceManager.h"
#include "xtp/XTPUiServices.h"

namespace korvex::signaldb {
namespace {

constexpr std::uint32_t kStrAppTitle = 128;
const QColor kLaneColor(0x1f, 0x77, 0xb4);

QString Text(std::uint32_t id) {
    return QString::fromStdString(XTPLoadString(id));
}

QString Format(std::uint32_t id, std::initializer_list<std::string_view> texts) {
    return QString::fromStdString(FormatTexts(XTPLoadString(id), texts));
}

}  // namespace

CBitsWindow::CBitsWindow(CSignalDatabases& databases, Source source, QWidget* parent)
    : CBaseDlg(ids::kBitsDialog, parent),
      databases(databases),
      source(std::move(source)),
      messageBox(new QComboBox(this)),
      grid(new CBitGrid(this)),
      plot(new CSignalPlot(this)),
      fieldText(new QLabel(this)),
      flipButton(new QPushButton(this)),
      signedBox(new QCheckBox(this)) {
    setWindowFlags(Qt::Window);
    setSizeGripEnabled(true);
    auto* messageLabel = new QLabel(this);
    auto* analyseButton = new QPushButton(this);
    auto* saveButton = new QPushButton(this);
    auto* useButton = new QPushButton(this);
    auto* hint = new QLabel(this);
    BindCaption(messageLabel, ids::kBitsMessage);
    BindCaption(analyseButton, ids::kBitsAnalyse);
    BindCaption(flipButton, ids::kBitsFlipOrder);
    BindCaption(signedBox, ids::kBitsSigned);
    BindCaption(saveButton, ids::kBitsSave);
    BindCaption(useButton, ids::kBitsUse);
    BindCaption(hint, ids::kBitsHint);
    hint->setForegroundRole(QPalette::PlaceholderText);
    hint->setWordWrap(true);
    fieldText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    messageBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    plot->setMinimumHeight(160);
    for (QPushButton* b : {analyseButton, flipButton, saveButton, useButton})
        b->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(messageLabel);
    top->addWidget(messageBox);
    top->addWidget(analyseButton);
    top->addStretch(1);
    auto* fieldRow = new QHBoxLayout;
    fieldRow->addWidget(fieldText, 1);
    fieldRow->addWidget(flipButton);
    fieldRow->addWidget(signedBox);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(hint, 1);
    bottom->addWidget(saveButton);
    bottom->addWidget(useButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid);
    layout->addLayout(fieldRow);
    layout->addWidget(plot, 1);
    layout->addLayout(bottom);

    connect(analyseButton, &QPushButton::clicked, this, &CBitsWindow::Analyse);
    connect(messageBox, &QComboBox::activated, this, &CBitsWindow::ChooseMessage);
    connect(grid, &CBitGrid::fieldSelected, this, &CBitsWindow::ChooseField);
    connect(grid, &CBitGrid::fieldHovered, this,
            [this](int field) { ShowLane(field >= 0 ? field : chosenField); });
    connect(grid, &CBitGrid::fieldEdited, this, &CBitsWindow::OnFieldEdited);
    connect(flipButton, &QPushButton::clicked, this, [this] {
        if (current < 0 || !discover::FlipByteOrder(messages[current], chosenField)) return;
        OnFieldEdited();
    });
    connect(signedBox, &QCheckBox::toggled, this, [this](bool on) {
        if (current < 0 || chosenField < 0) return;
        discover::FoundField& field = messages[current].fields[chosenField];
        if (field.isSigned == on) return;
        field.isSigned = on;
        OnFieldEdited();
    });
    connect(saveButton, &QPushButton::clicked, this, &CBitsWindow::OnSave);
    connect(useButton, &QPushButton::clicked, this, &CBitsWindow::OnUse);
    connect(&job, &CSampleJob::finished, this, &CBitsWindow::OnSamples);
    analysis.OnProgress([this](int percent) {
        fieldText->setText(Format(ids::kStrAnalysing, {std::to_string(percent)}));
    });

    resize(760, 720);
    Relabel();
}

void CBitsWindow::OnRelabel() {
    grid->SetByteFormat(Text(ids::kStrByte));
    FillMessageBox();
    ShowFieldText();
}

void CBitsWindow::Analyse() {
    CCycleBuffer<_VCI_CAN_OBJ>* store = source.frameStore ? source.frameStore() : nullptr;
    if (store == nullptr) {
        analysis.Stop();
        ShowMessages({});
        return;
    }
    const FrameView view = store->View();
    fieldText->setText(Format(ids::kStrAnalysing, {"0"}));
    analysis.Start(
        view.Count(),
        [view](const std::atomic<bool>& cancel, std::atomic<long long>& progress) {
            std::optional<std::vector<discover::MessageDiscovery>> found(std::in_place);
            if (!discover::DiscoverMessages(view, {}, WatchedSplit(cancel, progress), *found))
                found.reset();
            return found;
        },
        [this](std::vector<discover::MessageDiscovery> found) { ShowMessages(std::move(found)); });
}

void CBitsWindow::ShowMessages(std::vector<discover::MessageDiscovery> found) {
    const discover::MessageKey previous =
        current >= 0 ? messages[current].key : discover::MessageKey{};
    messages = std::move(found);
    current = -1;
    analysed = true;
    FillMessageBox();
    if (wantedIdentifier) {
        const auto [id, extended] = *wantedIdentifier;
        wantedIdentifier.reset();
        ChooseIdentifier(id, extended);
        if (current >= 0) return;
    }
    const auto at = std::find_if(messages.begin(), messages.end(),
                                 [&](const auto& m) { return m.key == previous; });
    ChooseMessage(messages.empty()       ? -1
                  : at != messages.end() ? static_cast<int>(at - messages.begin())
                                         : 0);
}

void CBitsWindow::ChooseIdentifier(std::uint32_t id, bool extended) {
    // Of several lengths, the one with the most frames.
    int best = -1;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const discover::MessageKey& key = messages[i].key;
        if (key.id == id && key.extended == extended &&
            (best < 0 || messages[i].frames > messages[best].frames))
            best = static_cast<int>(i);
    }
    if (best >= 0) ChooseMessage(best);
}

void CBitsWindow::ShowIdentifier(std::uint32_t id, bool extended) {
    if (!analysed || analysis.Running()) {
        wantedIdentifier.emplace(id, extended);
        if (!analysis.Running()) Analyse();
    } else {
        ChooseIdentifier(id, extended);
    }
    show();
    raise();
    activateWindow();
}

void CBitsWindow::FillMessageBox() {
    const QSignalBlocker blocking(messageBox);
    messageBox->clear();
    for (const discover::MessageDiscovery& m : messages)
        messageBox->addItem(
            Format(ids::kStrBitsMessage, {discover::DraftMessageName(m.key),
                                          std::to_string(m.key.length), std::to_string(m.frames)}));
    messageBox->setCurrentIndex(current);
}

std::vector<QString> CBitsWindow::FieldNames() const {
    std::vector<QString> names;
    if (current < 0) return names;
    for (const std::string& name : discover::DraftFieldNames(messages[current]))
        names.push_back(QString::fromStdString(name));
    return names;
}

void CBitsWindow::ChooseMessage(int index) {
    current = index >= 0 && index < static_cast<int>(messages.size()) ? index : -1;
    messageBox->setCurrentIndex(current);
    grid->SetMessage(current >= 0 ? &messages[current] : nullptr, FieldNames());
    // The first signal is chosen, so the plot shows something from the start.
    chosenField = -1;
    if (current >= 0) {
        const std::vector<discover::FoundField>& fields = messages[current].fields;
        const auto signal = std::find_if(fields.begin(), fields.end(), [](const auto& f) {
            return f.kind == discover::FieldKind::kSignal;
        });
        if (signal != fields.end()) chosenField = static_cast<int>(signal - fields.begin());
    }
    grid->SetSelectedField(chosenField);
    ShowFieldText();
    StartSamples();
}

void CBitsWindow::ChooseField(int index) {
    if (current < 0) return;
    chosenField =
        index >= 0 && index < static_cast<int>(messages[current].fields.size()) ? index : -1;
    grid->SetSelectedField(chosenField);
    ShowFieldText();
    ShowLane(chosenField);
}

void CBitsWindow::ShowFieldText() {
    flipButton->setEnabled(current >= 0 && chosenField >= 0);
    signedBox->setEnabled(current >= 0 && chosenField >= 0);
    if (current < 0) {
        fieldText->setText(analysed ? Text(ids::kStrNoDataFrames) : QString());
        plot->SetEmptyText(fieldText->text());
        return;
    }
    const discover::MessageDiscovery& m = messages[current];
    plot->SetEmptyText(Text(ids::kStrNoField));
    if (m.status == discover::DiscoveryStatus::kTooFewFrames) {
        fieldText->setText(Format(ids::kStrTooFewFrames, {std::to_string(m.frames)}));
        return;
    }
    if (m.status == discover::DiscoveryStatus::kTooFewChanges) {
        fieldText->setText(Format(ids::kStrTooFewChanges, {std::to_string(m.changes)}));
        return;
    }
    if (chosenField < 0) {
        fieldText->setText(Text(ids::kStrNoField));
        return;
    }
    const discover::FoundField& f = m.fields[chosenField];
    {
        const QSignalBlocker blocking(signedBox);
        signedBox->setChecked(f.isSigned);
    }
    QString kind;
    switch (f.kind) {
        case discover::FieldKind::kCounter:
            kind = Text(ids::kStrCounterField);
            break;
        case discover::FieldKind::kChecksum:
            kind = Format(ids::kStrChecksumField, {discover::ChecksumName(f.algorithm)});
            break;
        case discover::FieldKind::kFlag:
            kind = Text(ids::kStrFlagField);
            break;
        case discover::FieldKind::kSignal:
            kind = Text(ids::kStrSignalField);
            break;
    }
    const std::string name = discover::DraftFieldNames(m)[chosenField];
    const std::string sign = XTPLoadString(f.isSigned ? ids::kStrSigned : ids::kStrUnsigned);
    fieldText->setText(
        Format(ids::kStrFieldInfo,
               {name, std::to_string(discover::DbcStartBit(f.bits)), std::to_string(f.bits.length),
                f.bits.order == discover::ByteOrder::kIntel ? "Intel" : "Motorola", sign}) +
        QStringLiteral("  ·  ") + kind);
}

void CBitsWindow::StartSamples() {
    series.clear();
    plot->ClearLanes();
    CCycleBuffer<_VCI_CAN_OBJ>* store = source.frameStore ? source.frameStore() : nullptr;
    if (current < 0 || store == nullptr || messages[current].fields.empty()) {
        job.Cancel();
        return;
    }
    auto database =
        std::make_shared<const DbcDatabase>(discover::DraftDatabase({messages[current]}));
    SampleRequest request;
    request.decoder =
        std::make_shared<const CSignalDecoder>(CSignalDecoder::DatabaseList{database});
    for (std::size_t i = 0; i < messages[current].fields.size(); ++i)
        request.signalList.push_back({0, static_cast<int>(i)});
    if (source.origTimeList) request.origTimeList = source.origTimeList();
    job.Start(std::move(request), *store);
}

void CBitsWindow::OnSamples(std::shared_ptr<const CSampleJob::Output> output) {
    if (output->cancelled || current < 0) return;
    series = output->series;
    plot->SetAxis(output->axis);
    // The ranges of the draft follow the fields as they now stand.
    std::vector<discover::FoundField>& fields = messages[current].fields;
    for (std::size_t i = 0; i < fields.size() && i < series.size(); ++i) {
        const std::vector<double>& values = series[i]->series.values;
        if (values.empty()) continue;
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        fields[i].minimum = static_cast<std::int64_t>(*low);
        fields[i].maximum = static_cast<std::int64_t>(*high);
    }
    ShowLane(chosenField);
}

void CBitsWindow::ShowLane(int field) {
    plot->ClearLanes();
    if (current < 0 || field < 0 || field >= static_cast<int>(series.size())) return;
    CSignalPlot::Lane lane;
    lane.ref = {0, field};
    lane.title = FieldNames()[static_cast<std::size_t>(field)];
    lane.data = series[static_cast<std::size_t>(field)];
    // A field's values are its raw bits: whole numbers.
    lane.format = {0, ValueType::kInteger};
    lane.color = kLaneColor;
    plot->AddLane(std::move(lane));
}

void CBitsWindow::OnFieldEdited() {
    grid->SetMessage(&messages[current], FieldNames());
    grid->SetSelectedField(chosenField);
    ShowFieldText();
    StartSamples();
}

bool CBitsWindow::SaveDraft(const QString& path) {
    const std::string text = discover::DbcText(discover::DraftDatabase(messages));
    QFile file(path);
    errno = 0;
    const bool created = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    if (created &&
        file.write(text.data(), static_cast<qint64>(text.size())) ==
            static_cast<qint64>(text.size()) &&
        file.flush()) {
        draftPath = path;
        return true;
    }
    FileWriteProblem problem;
    problem.Set(created);
    XTPUiServices().MessageBox(ToCWnd(this), WriteFailureText(path.toStdString(), problem),
                               XTPLoadString(kStrAppTitle), xtp_mb::kIconWarning);
    return false;
}

void CBitsWindow::OnSave() {
    XTPFileDialogRequest request;
    request.defaultExt = "dbc";
    request.flags = xtp_ofn::kHideReadOnly | xtp_ofn::kOverwritePrompt;
    request.filter = XTPLoadString(ids::kStrDbcFilter);
    std::string path;
    if (XTPUiServices().SaveFileDialog(ToCWnd(this), request, path))
        SaveDraft(QString::fromStdString(path));
}

void CBitsWindow::OnUse() {
    if (draftPath.isEmpty()) OnSave();
    if (draftPath.isEmpty() || !SaveDraft(draftPath)) return;
    // A draft already in the list is read again, with the edits.
    const std::vector<std::string> paths = databases.Set().Paths();
    const auto at = std::find(paths.begin(), paths.end(), draftPath.toStdString());
    if (at != paths.end()) databases.Remove(static_cast<int>(at - paths.begin()));
    databases.Add({draftPath}, this);
}

}  // namespace korvex::signaldb
