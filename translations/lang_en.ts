<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>AutoTestDialog</name>
    <message>
        <source>自动测试</source>
        <translation>Automatic Test</translation>
    </message>
    <message>
        <source>测试次数</source>
        <translation>Number of tests</translation>
    </message>
    <message>
        <source>两次测试的时间间隔（分：秒）</source>
        <translation>Time interval between two tests (min:sec)</translation>
    </message>
    <message>
        <source>m:ss</source>
        <translation>m:ss</translation>
    </message>
</context>
<context>
    <name>CentralConfig</name>
    <message>
        <source>中心数据库的连接设置里不能写密码：请把密码写在 ~/.pgpass 或服务文件里</source>
        <translation>No password in the central database's connection settings: keep it in ~/.pgpass or the service file</translation>
    </message>
</context>
<context>
    <name>CentralDatabase</name>
    <message>
        <source>没有 PostgreSQL 数据库驱动（请安装 libqt5sql5-psql）</source>
        <translation>No PostgreSQL database driver (install libqt5sql5-psql)</translation>
    </message>
    <message>
        <source>服务器上还没有测量记录表：请管理员运行 loop-tester-cli journal upgrade-server</source>
        <translation>The server has no record tables yet: the administrator runs loop-tester-cli journal upgrade-server</translation>
    </message>
    <message>
        <source>服务器上的测量记录表版本较旧：请管理员运行 loop-tester-cli journal upgrade-server</source>
        <translation>The server's record tables are of an older version: the administrator runs loop-tester-cli journal upgrade-server</translation>
    </message>
    <message>
        <source>服务器拒绝登录：用户名或密码不对</source>
        <translation>the server refused the login: wrong user name or password</translation>
    </message>
    <message>
        <source>服务器上没有这个用户</source>
        <translation>the server has no such user</translation>
    </message>
    <message>
        <source>服务器不允许这个用户写入这些记录</source>
        <translation>the server does not let this user write these records</translation>
    </message>
    <message>
        <source>服务器没有及时应答</source>
        <translation>the server did not answer in time</translation>
    </message>
    <message>
        <source>无法连接服务器</source>
        <translation>cannot reach the server</translation>
    </message>
    <message>
        <source>服务文件里没有这个服务名</source>
        <translation>the service file has no service of that name</translation>
    </message>
    <message>
        <source>与服务器的连接断开了</source>
        <translation>the connection to the server was lost</translation>
    </message>
    <message>
        <source>服务器报错：%1</source>
        <translation>the server reports: %1</translation>
    </message>
</context>
<context>
    <name>CentralLink</name>
    <message>
        <source>未配置中心数据库</source>
        <translation>No central database configured</translation>
    </message>
    <message>
        <source>记录已转发到中心数据库</source>
        <translation>Records forwarded to the central database</translation>
    </message>
    <message>
        <source>等待转发 %1 条记录</source>
        <translation>%1 records waiting to be forwarded</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>CentralStatusLabel</name>
    <message>
        <source>中心数据库在 %1 里设置</source>
        <translation>The central database is set in %1</translation>
    </message>
</context>
<context>
    <name>DeviceInfoDialog</name>
    <message>
        <source>设备信息</source>
        <translation>Device Information</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model No.</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
</context>
<context>
    <name>DeviceManager</name>
    <message>
        <source>设备未连接</source>
        <translation>Device is not connected</translation>
    </message>
    <message>
        <source>读取存储数据失败</source>
        <translation>Failed to read stored data</translation>
    </message>
    <message>
        <source>无存储数据</source>
        <translation>No stored data</translation>
    </message>
    <message>
        <source>读取第%1组数据失败</source>
        <translation>Failed to read the data of Group %1</translation>
    </message>
    <message>
        <source>测试仪不再应答，存储数据读取中止</source>
        <translation>The tester no longer answers: reading the stored data was stopped</translation>
    </message>
    <message>
        <source>请求开始测试失败</source>
        <translation>The request to start the test failed</translation>
    </message>
    <message>
        <source>开始测试</source>
        <translation>Start testing</translation>
    </message>
    <message>
        <source>请求停止测试失败</source>
        <translation>The request to stop the test failed</translation>
    </message>
    <message>
        <source>停止测试</source>
        <translation>Stop testing</translation>
    </message>
    <message>
        <source>更新测量设置失败</source>
        <translation>Could not update the measurement setting</translation>
    </message>
    <message>
        <source>更新测量设置成功</source>
        <translation>Measurement setting updated</translation>
    </message>
    <message>
        <source>读取设备信息失败</source>
        <translation>Failed to read device information</translation>
    </message>
    <message>
        <source>更新测量设置失败：%1</source>
        <translation>Could not update the measurement setting: %1</translation>
    </message>
    <message>
        <source>电流设置</source>
        <translation>test current</translation>
    </message>
    <message>
        <source>测试时间</source>
        <translation>test time</translation>
    </message>
    <message>
        <source>比较值</source>
        <translation>comparison value</translation>
    </message>
    <message>
        <source>比较开关</source>
        <translation>comparison switch</translation>
    </message>
</context>
<context>
    <name>DeviceSelectionDialog</name>
    <message>
        <source>选择设备</source>
        <translation>Select Device</translation>
    </message>
    <message>
        <source>检测到多个设备</source>
        <translation>Multiple devices detected</translation>
    </message>
    <message>
        <source>1、请查看要连接的目标设备的实例路径。（电脑设备管理器-&gt;人体学输入设备-&gt;符合HID标准的供应商定义设备-&gt;属性-&gt;详细信息-&gt;设备实例路径）</source>
        <translation>1. Check the instance path of the target device to be connected. (PC Device Manager - &gt; Human Input Device - &gt; HID Compliant Vendor Defined Device - &gt; Attributes - &gt; Details - &gt; Device Instance Path)</translation>
    </message>
    <message>
        <source>2、在以上组合框中，选择已知目标设备的路径，点击OK连接设备。</source>
        <translation>2. In the above combination box, select the path of the known target device and click OK to connect the device.</translation>
    </message>
    <message>
        <source>USB 端口 %1</source>
        <translation>USB port %1</translation>
    </message>
    <message>
        <source>序列号 %1</source>
        <translation>serial number %1</translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>每行是一台测试仪：型号和版本（仪器应答后显示）、所插的 USB 端口、序列号，最后是设备路径。</source>
        <translation>Each line is one tester: its model and version (once it answers), the USB port it is plugged into, its serial number, and last its device path.</translation>
    </message>
    <message>
        <source>选择要连接的测试仪，然后点击“确定”。</source>
        <translation>Choose the tester to connect and click OK.</translation>
    </message>
    <message>
        <source>正在询问型号…</source>
        <translation>Asking for its model…</translation>
    </message>
    <message>
        <source>%1，版本 %2</source>
        <translation>%1, version %2</translation>
    </message>
    <message>
        <source>没有应答</source>
        <translation>Not answering</translation>
    </message>
</context>
<context>
    <name>HistoryChart</name>
    <message>
        <source>日期</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>电阻（μΩ）</source>
        <translation>Resistance (μΩ)</translation>
    </message>
    <message>
        <source>比较值</source>
        <translation>Comparison</translation>
    </message>
</context>
<context>
    <name>HistoryExport</name>
    <message>
        <source>测量对象：%1</source>
        <translation>Measured object: %1</translation>
    </message>
    <message>
        <source>测点</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>记录时间</source>
        <translation>Recording time</translation>
    </message>
    <message>
        <source>测试电阻</source>
        <translation>Test resistance</translation>
    </message>
    <message>
        <source>电阻（μΩ）</source>
        <translation>Resistance (μΩ)</translation>
    </message>
    <message>
        <source>比较值</source>
        <translation>Comparison</translation>
    </message>
    <message>
        <source>相对首次变化（%）</source>
        <translation>Change from first (%)</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>变化超过 %1%</source>
        <translation>Change above %1%</translation>
    </message>
    <message>
        <source>日期</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>测点间差异（%）</source>
        <translation>Spread between points (%)</translation>
    </message>
    <message>
        <source>差异超过 %1%</source>
        <translation>Spread above %1%</translation>
    </message>
    <message>
        <source>提示阈值：测点间差异 %1%，相对首次变化 %2%</source>
        <translation>Flagged above: spread between points %1%, change from first %2%</translation>
    </message>
    <message>
        <source>无法绘制报告</source>
        <translation>Cannot draw the report</translation>
    </message>
</context>
<context>
    <name>HistoryWindow</name>
    <message>
        <source>测量历史</source>
        <translation>Measurement History</translation>
    </message>
    <message>
        <source>测量对象</source>
        <translation>Measured object</translation>
    </message>
    <message>
        <source>测点间差异提示阈值</source>
        <translation>Flag spread between points above</translation>
    </message>
    <message>
        <source>相对首次变化提示阈值</source>
        <translation>Flag change from first above</translation>
    </message>
    <message>
        <source>导出到Excel</source>
        <translation>Export to Excel</translation>
    </message>
    <message>
        <source>导出到PDF</source>
        <translation>Export to PDF</translation>
    </message>
    <message>
        <source>日志中还没有记录测量对象的测量记录：在实时测量页的备注旁填写对象和测点。</source>
        <translation>The journal holds no records with a measured object yet: fill in the object and point beside the remark on the live page.</translation>
    </message>
    <message>
        <source>%1 条记录，%2 个测点，%3 天；%4 天测点间差异超过阈值，%5 条记录相对首次变化超过阈值。</source>
        <translation>%1 records, %2 points, %3 days; the spread between points is above the threshold on %4 days, the change from the first record on %5 records.</translation>
    </message>
    <message>
        <source>（未填测点）</source>
        <translation>(no point)</translation>
    </message>
    <message>
        <source>%1 条</source>
        <translation>%1 records</translation>
    </message>
    <message>
        <source>历史_%1_%2</source>
        <translation>history_%1_%2</translation>
    </message>
    <message>
        <source>保存Excel文件</source>
        <translation>Save the Excel file</translation>
    </message>
    <message>
        <source>Excel(*.xlsx)</source>
        <translation>Excel workbooks (*.xlsx)</translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation>Save Failed</translation>
    </message>
    <message>
        <source>保存PDF文件</source>
        <translation>Save the PDF file</translation>
    </message>
    <message>
        <source>PDF(*.pdf)</source>
        <translation>PDF documents (*.pdf)</translation>
    </message>
    <message>
        <source>已保存到 %1；没有能打开此类文件的程序，请在文件管理器中找到它</source>
        <translation>Saved to %1. No program here opens this kind of file: find it in the file manager</translation>
    </message>
</context>
<context>
    <name>Journal</name>
    <message>
        <source>没有 SQLite 数据库驱动</source>
        <translation>The SQLite database driver is missing</translation>
    </message>
    <message>
        <source>无法创建文件夹 %1</source>
        <translation>Cannot create the folder %1</translation>
    </message>
    <message>
        <source>日志文件 %1 已损坏，且无法改名移开</source>
        <translation>The journal file %1 is damaged and cannot be renamed out of the way</translation>
    </message>
    <message>
        <source>日志文件已损坏，已改名为 %1 保留，并新建了日志</source>
        <translation>The journal file was damaged: it was kept as %1 and a new journal was started</translation>
    </message>
    <message>
        <source>日志位置上的文件不是测量日志，已改名为 %1 保留，并新建了日志</source>
        <translation>The file in the journal&apos;s place was not a measurement journal: it was kept as %1 and a new journal was started</translation>
    </message>
    <message>
        <source>日志文件由较新版本的程序写入，未作改动</source>
        <translation>The journal file was written by a newer version of the program and was left unchanged</translation>
    </message>
    <message>
        <source>日志文件 %1 正被另一个程序使用</source>
        <translation>The journal file %1 is in use by another program</translation>
    </message>
    <message>
        <source>日志文件 %1 已损坏</source>
        <translation>The journal file %1 is damaged</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>The disk is full</translation>
    </message>
    <message>
        <source>无法写入日志文件 %1</source>
        <translation>Cannot write the journal file %1</translation>
    </message>
    <message>
        <source>日志文件 %1 出错（%2）</source>
        <translation>Error in the journal file %1 (%2)</translation>
    </message>
    <message>
        <source>测量记录无法保存到日志：%1</source>
        <translation>Measurement records cannot be kept in the journal: %1</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>未读取</source>
        <translation>Not read</translation>
    </message>
    <message>
        <source>已读取全部 %1 组存储数据</source>
        <translation>All %1 stored groups read</translation>
    </message>
    <message>
        <source>已读取 %1 组中的 %2 组；%3 组未能读取：%4</source>
        <translation>%2 of %1 stored groups read; %3 could not be read: %4</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>存储数据读取已取消</source>
        <translation>Reading the stored data was cancelled</translation>
    </message>
    <message>
        <source>回路电阻测试仪</source>
        <translation>Loop Resistance Tester</translation>
    </message>
    <message>
        <source>TextLabel</source>
        <translation>TextLabel</translation>
    </message>
    <message>
        <source>更改后回车或点击其他控件即完成设置</source>
        <translation>After changing, press Enter or click other controls to complete the setting</translation>
    </message>
    <message>
        <source>10S-60S 更改后回车或点击其他控件即完成设置</source>
        <translation>10S-60S After changing, press Enter or click other controls to complete the setting</translation>
    </message>
    <message>
        <source>S</source>
        <translation>S</translation>
    </message>
    <message>
        <source>更新</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>测试</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>GroupBox</source>
        <translation>GroupBox</translation>
    </message>
    <message>
        <source> 记录</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>清除</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>设备</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>实时数据</source>
        <translation>Real-time data</translation>
    </message>
    <message>
        <source>存储数据</source>
        <translation>Stored data</translation>
    </message>
    <message>
        <source>查看</source>
        <translation>View</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Setting</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>toolBar</source>
        <translation>toolBar</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>实时测量</source>
        <translation>Real-time measurement</translation>
    </message>
    <message>
        <source>查阅存储数据</source>
        <translation>View Stored Data</translation>
    </message>
    <message>
        <source>导入存储数据</source>
        <translation>Import Stored Data</translation>
    </message>
    <message>
        <source>采样频率设置</source>
        <translation>Sampling Frequency Setting</translation>
    </message>
    <message>
        <source>自动测试</source>
        <translation>Automatic Test</translation>
    </message>
    <message>
        <source>导出到Excel</source>
        <translation>Export to Excel</translation>
    </message>
    <message>
        <source>导出到PDF</source>
        <translation>Export to PDF</translation>
    </message>
    <message>
        <source>设备信息</source>
        <translation>Device Information</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>比较值</source>
        <translation>Comparison</translation>
    </message>
    <message>
        <source>电流设置</source>
        <translation>Current set</translation>
    </message>
    <message>
        <source>测试时间</source>
        <translation>Testing time</translation>
    </message>
    <message>
        <source>存储组数</source>
        <translation>Store number</translation>
    </message>
    <message>
        <source>测试电流</source>
        <translation>Testing current</translation>
    </message>
    <message>
        <source>剩余时间</source>
        <translation>Time left</translation>
    </message>
    <message>
        <source>备注</source>
        <translation>Remark</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>记录时间</source>
        <translation>Recording time</translation>
    </message>
    <message>
        <source>测试电阻</source>
        <translation>Test resistance</translation>
    </message>
    <message>
        <source>比较结果</source>
        <translation>Comparative result</translation>
    </message>
    <message>
        <source>存储编号</source>
        <translation>Store number</translation>
    </message>
    <message>
        <source>正在查找测试仪…</source>
        <translation>Looking for the tester…</translation>
    </message>
    <message>
        <source>设备未连接</source>
        <translation>Device is not connected</translation>
    </message>
    <message>
        <source>未找到测试仪：请检查 USB 连接线和仪器电源</source>
        <translation>No tester found: check the USB cable and the instrument&apos;s power</translation>
    </message>
    <message>
        <source>找到 %1 台测试仪，请选择要连接的一台</source>
        <translation>Testers found: %1. Choose the one to connect</translation>
    </message>
    <message>
        <source>找到测试仪 %1，但没有打开它的权限：请安装 udev 规则（见 README“真实仪器”一节），然后重新插拔仪器</source>
        <translation>Found the tester %1 but have no permission to open it: install the udev rule (see “The real instrument” in the README), then unplug the instrument and plug it in again</translation>
    </message>
    <message>
        <source>找到测试仪 %1，但无法打开（%2）：请重新插拔仪器，然后重新连接</source>
        <translation>Found the tester %1 but cannot open it (%2): unplug it, plug it in again and connect again</translation>
    </message>
    <message>
        <source>断开连接</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>已连接设备</source>
        <translation>Connected to device</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Prompt</translation>
    </message>
    <message>
        <source>未连接设备</source>
        <translation>Not connected to device</translation>
    </message>
    <message>
        <source>测试仪 %1 没有应答：请确认仪器已开机，然后重新连接</source>
        <translation>The tester %1 does not answer: make sure the instrument is switched on, then connect again</translation>
    </message>
    <message>
        <source>无数据！</source>
        <translation>No data!</translation>
    </message>
    <message>
        <source>保存Excel文件</source>
        <translation>Save the Excel file</translation>
    </message>
    <message>
        <source>Excel(*.xlsx)</source>
        <translation>Excel workbooks (*.xlsx)</translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation>Save failed</translation>
    </message>
    <message>
        <source>恢复测量记录</source>
        <translation>Restore measurement records</translation>
    </message>
    <message>
        <source>%1 条 %2 的测量记录没有保存：要恢复它们吗？</source>
        <translation>Measurement records of %2 were not saved: %1. Restore them?</translation>
    </message>
    <message>
        <source>恢复</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>不恢复</source>
        <translation>Do not restore</translation>
    </message>
    <message>
        <source>记录表中有 %1 条测量记录还没有导出。关闭前要导出到 Excel 吗？</source>
        <translation>The table holds %1 measurement record(s) not yet exported. Export them to Excel before closing?</translation>
    </message>
    <message>
        <source>仍然关闭</source>
        <translation>Close anyway</translation>
    </message>
    <message>
        <source>记录表中有 %1 条测量记录还没有导出。清除前要导出到 Excel 吗？</source>
        <translation>Measurement records in the table not yet exported: %1. Export them to Excel before clearing?</translation>
    </message>
    <message>
        <source>仍然清除</source>
        <translation>Clear anyway</translation>
    </message>
    <message>
        <source>演示：模拟的仪器</source>
        <translation>Demo: simulated instrument</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>仪器的实时数据无效，显示已清空：请检查仪器</source>
        <translation>The instrument&apos;s live data is invalid and the display was cleared: check the instrument</translation>
    </message>
    <message>
        <source>无数据</source>
        <translation>No data</translation>
    </message>
    <message>
        <source>保存PDF文件</source>
        <translation>Save the PDF file</translation>
    </message>
    <message>
        <source>PDF(*.pdf)</source>
        <translation>PDF documents (*.pdf)</translation>
    </message>
    <message>
        <source>无法绘制报告</source>
        <translation>Cannot draw the report</translation>
    </message>
    <message>
        <source>请先按“更新”锁定测量设置，再导出报告</source>
        <translation>Press Update to lock the measurement settings first, then export the report</translation>
    </message>
    <message>
        <source>回路电阻测量报告</source>
        <translation>Loop resistance measurement report</translation>
    </message>
    <message>
        <source>用户信息</source>
        <translation>User Information</translation>
    </message>
    <message>
        <source>测试仪信息</source>
        <translation>Tester Information</translation>
    </message>
    <message>
        <source>公司：</source>
        <translation>Company:</translation>
    </message>
    <message>
        <source>名称：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>姓名：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>型号：</source>
        <translation>Model No.:</translation>
    </message>
    <message>
        <source>联系方式：</source>
        <translation>Contact Information:</translation>
    </message>
    <message>
        <source>版本：</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>测量信息</source>
        <translation>Measurement Information</translation>
    </message>
    <message>
        <source>场景：</source>
        <translation>Scenario:</translation>
    </message>
    <message>
        <source>当前数据</source>
        <translation>Current data</translation>
    </message>
    <message>
        <source>记录时间：</source>
        <translation>Recording time:</translation>
    </message>
    <message>
        <source>数据</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>：</source>
        <translation>:</translation>
    </message>
    <message>
        <source>测试状态：</source>
        <translation>Test status:</translation>
    </message>
    <message>
        <source>测试电阻：</source>
        <translation>Tested resistance:</translation>
    </message>
    <message>
        <source>比较结果：</source>
        <translation>Comparative result:</translation>
    </message>
    <message>
        <source>记录 %1</source>
        <translation>Record %1</translation>
    </message>
    <message>
        <source>注意</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>正在进行自动测试···</source>
        <translation>Automatic test is being conducted…</translation>
    </message>
    <message>
        <source>退出自动测试</source>
        <translation>Exit Automatic Test</translation>
    </message>
    <message>
        <source>自动测试已在进行中</source>
        <translation>An automatic test is already running</translation>
    </message>
    <message>
        <source>自动测试只能在实时测试页面进行</source>
        <translation>Automatic tests can only run on the real-time measurement page</translation>
    </message>
    <message>
        <source>对象</source>
        <translation>Object</translation>
    </message>
    <message>
        <source>测点</source>
        <translation>Point</translation>
    </message>
    <message>
        <source>被测设备的名称或编号，可从用过的对象中选择</source>
        <translation>Name or number of the equipment measured; pick one used before or type a new one</translation>
    </message>
    <message>
        <source>被测的相或接头，例如 A、B、C</source>
        <translation>The pole or joint measured, e.g. A, B, C</translation>
    </message>
    <message>
        <source>测量历史</source>
        <translation>Measurement History</translation>
    </message>
    <message>
        <source>自动测试进行中：设置、测试按钮和记录操作已锁定，点击“退出自动测试”可结束</source>
        <translation>Automatic test running: the settings, the test button and the record buttons are locked; click “Exit Automatic Test” to end it</translation>
    </message>
    <message>
        <source>已保存到 %1</source>
        <translation>Saved to %1</translation>
    </message>
    <message>
        <source>已保存到 %1；没有能打开此类文件的程序，请在文件管理器中找到它</source>
        <translation>Saved to %1. No program here opens this kind of file: find it in the file manager</translation>
    </message>
    <message>
        <source>请换一个文件夹或文件名再保存。</source>
        <translation>Choose another folder or file name and save again.</translation>
    </message>
</context>
<context>
    <name>ParseData</name>
    <message>
        <source>正在打印</source>
        <translation>Printing</translation>
    </message>
    <message>
        <source>打印机就绪</source>
        <translation>Printer is ready</translation>
    </message>
    <message>
        <source>待测试...</source>
        <translation>To be tested...</translation>
    </message>
    <message>
        <source>测试中...</source>
        <translation>Testing...</translation>
    </message>
    <message>
        <source>测试完成</source>
        <translation>Test finished</translation>
    </message>
    <message>
        <source>100A 回路电阻测试仪</source>
        <translation>100A Loop Resistance Tester</translation>
    </message>
    <message>
        <source>200A 回路电阻测试仪</source>
        <translation>200A Loop Resistance Tester</translation>
    </message>
    <message>
        <source>读取到的数据校验和错误</source>
        <translation>Erroneous checksum of the data read</translation>
    </message>
    <message>
        <source>读取第%1组数据校验和错误</source>
        <translation>Erroneous to read the checksum of the data of Group %1 </translation>
    </message>
    <message>
        <source>读取第%1组数据失败</source>
        <translation>Failed to read the data of Group %1</translation>
    </message>
</context>
<context>
    <name>PdfSettingDialog</name>
    <message>
        <source>PDF设置</source>
        <translation>PDF Setting</translation>
    </message>
    <message>
        <source>用户信息</source>
        <translation>User Information</translation>
    </message>
    <message>
        <source>公司</source>
        <translation>Company</translation>
    </message>
    <message>
        <source>姓名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>联系方式</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>最多可输入18个字</source>
        <translation>Maximum 18 words can be entered</translation>
    </message>
    <message>
        <source>最多可输入15个字</source>
        <translation>Maximum 15 words can be entered</translation>
    </message>
    <message>
        <source>测试仪信息</source>
        <translation>Tester Information</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>型号</source>
        <translation>Model No.</translation>
    </message>
    <message>
        <source>版本</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>测量对象</source>
        <translation>Measured Object</translation>
    </message>
    <message>
        <source>场景</source>
        <translation>Scenario</translation>
    </message>
    <message>
        <source>最多可输入40个字</source>
        <translation>Maximum 40 words can be entered</translation>
    </message>
</context>
<context>
    <name>SampleIntervalDialog</name>
    <message>
        <source>采样频率设置</source>
        <translation>Sampling Frequency Setting</translation>
    </message>
    <message>
        <source>实时数据</source>
        <translation>Real-time data</translation>
    </message>
    <message>
        <source>采样频率：</source>
        <translation>Sampling Frequency:</translation>
    </message>
    <message>
        <source>200-800</source>
        <translation>200-800</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
</context>
<context>
    <name>SwitchButton</name>
    <message>
        <source>开启</source>
        <translation>On</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Off</translation>
    </message>
</context>
<context>
    <name>Workbook</name>
    <message>
        <source>没有文件名</source>
        <translation>No file name</translation>
    </message>
    <message>
        <source>无法创建工作簿（内存或临时文件不足）</source>
        <translation>Cannot create the workbook (not enough memory or room for temporary files)</translation>
    </message>
    <message>
        <source>无法写入单元格 %1：%2</source>
        <translation>Cannot write cell %1: %2</translation>
    </message>
    <message>
        <source>无法设置 %1 列的宽度：%2</source>
        <translation>Cannot set the width of column %1: %2</translation>
    </message>
    <message>
        <source>无法写入 %1：%2</source>
        <translation>Cannot write %1: %2</translation>
    </message>
    <message>
        <source>无法写入 %1：写出的文件不完整（%2）</source>
        <translation>Cannot write %1: the file written is incomplete (%2)</translation>
    </message>
    <message>
        <source>无法保存为 %1：%2</source>
        <translation>Cannot save as %1: %2</translation>
    </message>
    <message>
        <source>无法在 %1 中创建文件：%2</source>
        <translation>Cannot create a file in %1: %2</translation>
    </message>
    <message>
        <source>单元格超出工作表范围：第 %1 行，第 %2 列</source>
        <translation>Cell outside the worksheet: row %1, column %2</translation>
    </message>
    <message>
        <source>无法创建图表</source>
        <translation>Cannot create the chart</translation>
    </message>
    <message>
        <source>无法插入图表：%1</source>
        <translation>Cannot insert the chart: %1</translation>
    </message>
</context>
</TS>
