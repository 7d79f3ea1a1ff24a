<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ExportTable</name>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>The report %1 was not written: %2</source>
        <translation>报表 %1 未能写入：%2</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Excel workbooks (*.xlsx)</source>
        <translation>Excel 工作簿 (*.xlsx)</translation>
    </message>
</context>
<context>
    <name>Kestal</name>
    <message>
        <source>Orvane-Monitor</source>
        <translation>Orvane 辐射监测系统</translation>
    </message>
    <message>
        <source>The program is running.</source>
        <translation>程序正在运行。</translation>
    </message>
    <message>
        <source>Do you want to exit?</source>
        <translation>确定要退出吗？</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Set successed</source>
        <translation>设置成功</translation>
    </message>
    <message>
        <source>Set failed</source>
        <translation>设置失败</translation>
    </message>
    <message>
        <source>connected!</source>
        <translation>已连接！</translation>
    </message>
    <message>
        <source>Audit trail</source>
        <translation>审计记录</translation>
    </message>
    <message>
        <source>The audit trail cannot be written: changes and logins are not recorded.
%1</source>
        <translation>审计记录无法写入：更改和登录不会被记录。
%1</translation>
    </message>
    <message>
        <source>Log in</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>Too many failed logins: %1 is locked for %2 s.</source>
        <translation>登录失败次数过多：%1 已锁定 %2 秒。</translation>
    </message>
    <message>
        <source>The account %1 is disabled.</source>
        <translation>账户 %1 已停用。</translation>
    </message>
    <message>
        <source>Unknown name or wrong password.</source>
        <translation>用户名未知或密码错误。</translation>
    </message>
    <message>
        <source>Log out %1</source>
        <translation>注销 %1</translation>
    </message>
    <message>
        <source>Enter your password again to set the threshold of %1 to %2.</source>
        <translation>请再次输入密码，以将 %1 的阈值设为 %2。</translation>
    </message>
    <message>
        <source>all regions</source>
        <translation>所有区域</translation>
    </message>
    <message>
        <source>The password is wrong: the threshold was not set.</source>
        <translation>密码错误：阈值未设置。</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>The site database has no records of this station yet.</source>
        <translation>站点数据库中还没有本站的记录。</translation>
    </message>
    <message>
        <source>Upload the minute values, alarms and patrol records already in this station&apos;s file? It is sent in the background, a day at a time.</source>
        <translation>是否上传本站文件中已有的分钟值、报警和巡检记录？将在后台按天逐日发送。</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>上传</translation>
    </message>
    <message>
        <source>No</source>
        <translation>否</translation>
    </message>
</context>
<context>
    <name>PMonthReport</name>
    <message>
        <source>database busy</source>
        <translation>数据库忙</translation>
    </message>
    <message>
        <source>no region with id %1</source>
        <translation>没有编号为 %1 的区域</translation>
    </message>
    <message>
        <source>no staff member with id %1</source>
        <translation>没有编号为 %1 的人员</translation>
    </message>
    <message>
        <source>Device Information</source>
        <translation>设备信息</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Loaction</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>统计</translation>
    </message>
    <message>
        <source>Monthy Average Dose Rate:</source>
        <translation>月平均剂量率：</translation>
    </message>
    <message>
        <source>Monthy Highest Dose Rate:</source>
        <translation>月最高剂量率：</translation>
    </message>
    <message>
        <source>Alarm Dose Rate Threshold:</source>
        <translation>剂量率报警阈值：</translation>
    </message>
    <message>
        <source>Monthy Alarm Times:</source>
        <translation>月报警次数：</translation>
    </message>
    <message>
        <source>Monthy Highest Dose Rate time:</source>
        <translation>月最高剂量率时间：</translation>
    </message>
    <message>
        <source>Report Time:</source>
        <translation>报表时间：</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Dose</source>
        <translation>剂量</translation>
    </message>
    <message>
        <source>Cumulative dose rate curve.</source>
        <translation>累积剂量率曲线。</translation>
    </message>
    <message>
        <source>PersonalInfo</source>
        <translation>人员信息</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>Sex</source>
        <translation>性别</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>职务</translation>
    </message>
    <message>
        <source>Basic information</source>
        <translation>基本信息</translation>
    </message>
    <message>
        <source>Percentage of annual maximum absorbed dose.</source>
        <translation>占年最大吸收剂量的百分比。</translation>
    </message>
    <message>
        <source>Q1</source>
        <translation>第一季度</translation>
    </message>
    <message>
        <source>Q2</source>
        <translation>第二季度</translation>
    </message>
    <message>
        <source>Q3</source>
        <translation>第三季度</translation>
    </message>
    <message>
        <source>Q4</source>
        <translation>第四季度</translation>
    </message>
    <message>
        <source>Report Generation Time:</source>
        <translation>报表生成时间：</translation>
    </message>
    <message>
        <source>That month cumulative dose curve.</source>
        <translation>当月累积剂量曲线。</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>The archive file %1 is missing: the 2-second readings of %2 cannot be read.</source>
        <translation>归档文件 %1 缺失：无法读取 %2 的 2 秒读数。</translation>
    </message>
    <message>
        <source>The archive file %1 cannot be read: %2</source>
        <translation>无法读取归档文件 %1：%2</translation>
    </message>
</context>
<context>
    <name>RAlarmJournalView</name>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Alarm journal</source>
        <translation>报警日志</translation>
    </message>
    <message>
        <source>All</source>
        <translation>全部</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Event</source>
        <translation>事件</translation>
    </message>
    <message>
        <source>Dose (µRad/h)</source>
        <translation>剂量率 (µRad/h)</translation>
    </message>
    <message>
        <source>Threshold (µRad/h)</source>
        <translation>报警阈值 (µRad/h)</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>操作员</translation>
    </message>
    <message>
        <source>Region:</source>
        <translation>区域：</translation>
    </message>
    <message>
        <source>From:</source>
        <translation>从：</translation>
    </message>
    <message>
        <source>To:</source>
        <translation>到：</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>CSV (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>The journal could not be exported: %1</source>
        <translation>报警日志未能导出：%1</translation>
    </message>
    <message>
        <source>alarm</source>
        <translation>报警</translation>
    </message>
    <message>
        <source>clear</source>
        <translation>报警解除</translation>
    </message>
    <message>
        <source>ack</source>
        <translation>确认</translation>
    </message>
    <message>
        <source>online</source>
        <translation>设备上线</translation>
    </message>
    <message>
        <source>offline</source>
        <translation>设备离线</translation>
    </message>
    <message>
        <source>link-up</source>
        <translation>服务器连接恢复</translation>
    </message>
    <message>
        <source>link-down</source>
        <translation>服务器连接中断</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Data server</source>
        <translation>数据服务器</translation>
    </message>
</context>
<context>
    <name>RConnectDatabase</name>
    <message>
        <source>Cannot open database</source>
        <translation>无法打开数据库</translation>
    </message>
    <message>
        <source>The database file %1 cannot be used: %2. It is left as it is; readings are shown but not stored until the file is replaced and the program restarted.</source>
        <translation>数据库文件 %1 无法使用：%2。该文件保持原样；在替换该文件并重新启动程序之前，读数只显示而不存储。</translation>
    </message>
    <message>
        <source>Database damaged</source>
        <translation>数据库已损坏</translation>
    </message>
    <message>
        <source>The database file %1 failed its integrity check: %2. Readings are still stored where the file takes them; copy the file and replace it soon.</source>
        <translation>数据库文件 %1 未通过完整性检查：%2。文件可写入之处仍会保存读数；请尽快复制并更换该文件。</translation>
    </message>
</context>
<context>
    <name>RDataRecord</name>
    <message>
        <source>Id</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Manufacturing number</source>
        <translation>出厂编号</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>选择</translation>
    </message>
    <message>
        <source>Room</source>
        <translation>房间</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Routing staff</source>
        <translation>巡检人员</translation>
    </message>
    <message>
        <source>Inspection rooms</source>
        <translation>巡检房间</translation>
    </message>
    <message>
        <source>from</source>
        <translation>从</translation>
    </message>
    <message>
        <source>to</source>
        <translation>到</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>时段</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Dose</source>
        <translation>剂量</translation>
    </message>
    <message>
        <source>Without Permission!</source>
        <translation>无权限！</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>The table was not exported: %1</source>
        <translation>表格未能导出：%1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>afternoon</source>
        <translation>下午</translation>
    </message>
    <message>
        <source>No records for the ticked staff, rooms and days</source>
        <translation>所选人员、房间和日期没有巡检记录</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>morning</source>
        <translation>上午</translation>
    </message>
</context>
<context>
    <name>RDialogStaffHistoryDose</name>
    <message>
        <source>Employee dose equivalent distribution history</source>
        <translation>剂量当量分布历史</translation>
    </message>
    <message>
        <source>Last month</source>
        <translation>上个月</translation>
    </message>
    <message>
        <source>Next month</source>
        <translation>下个月</translation>
    </message>
    <message>
        <source>Current ID:</source>
        <translation>当前编号：</translation>
    </message>
    <message>
        <source>Date:</source>
        <translation>日期：</translation>
    </message>
    <message>
        <source>Previous Day</source>
        <translation>前一天</translation>
    </message>
    <message>
        <source>Next Day</source>
        <translation>后一天</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>校准</translation>
    </message>
</context>
<context>
    <name>RDoseRatioDiagram</name>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Dose curve in real time.</source>
        <translation>实时剂量率曲线。</translation>
    </message>
    <message>
        <source>Dose rate over the day</source>
        <translation>日剂量率曲线</translation>
    </message>
    <message>
        <source>Dose rate on %1</source>
        <translation>%1 剂量率曲线</translation>
    </message>
</context>
<context>
    <name>RFormAbout</name>
    <message>
        <source>Form</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Orvane-Monitor is the client of the radiation monitoring installation. It receives the readings of the fixed area monitors and of the patrol dosimeters from the data server, stores them, shows the dose rate of every monitored room in real time, raises alarms and keeps the history of every region and staff member.</source>
        <translation>Orvane 辐射监测系统是辐射监测装置的客户端。它从数据服务器接收固定区域监测仪和巡检剂量计的读数并加以存储，实时显示每个监测房间的剂量率，发出报警，并保存每个区域和每位人员的历史记录。</translation>
    </message>
    <message>
        <source>Revision:XX</source>
        <translation>版本：XX</translation>
    </message>
</context>
<context>
    <name>RFormHistory</name>
    <message>
        <source>Daily cumulative dose</source>
        <translation>日累积剂量</translation>
    </message>
    <message>
        <source>Monthly cumulative dose</source>
        <translation>月累积剂量</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Without Permission!</source>
        <translation>无权限！</translation>
    </message>
    <message>
        <source>Exporting</source>
        <translation>正在导出</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>%1 is the day being recorded now.</source>
        <translation>%1 是正在记录的当天。</translation>
    </message>
    <message>
        <source>The readings stored so far today will be deleted; recording goes on. Delete them?</source>
        <translation>今天已存储的读数将被删除，记录继续进行。确定删除吗？</translation>
    </message>
    <message>
        <source>Delete today</source>
        <translation>删除今天的数据</translation>
    </message>
    <message>
        <source>The data of %1 on %2 could not be deleted: %3</source>
        <translation>%1 在 %2 的数据未能删除：%3</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>The readings of %1 (ID %2) on %3 will be deleted.</source>
        <translation>%1（编号 %2）在 %3 的读数将被删除。</translation>
    </message>
    <message>
        <source>This cannot be undone. Do you want to delete them?</source>
        <translation>此操作无法撤销。确定要删除吗？</translation>
    </message>
</context>
<context>
    <name>RFormRegion</name>
    <message>
        <source>Site plan</source>
        <translation>平面图</translation>
    </message>
    <message>
        <source>Acknowledge</source>
        <translation>确认报警</translation>
    </message>
    <message>
        <source>Acknowledge all</source>
        <translation>全部确认</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>No link to the data server: values as read at %1</source>
        <translation>与数据服务器的连接中断：显示的是 %1 时的读数</translation>
    </message>
    <message>
        <source>No link to the data server</source>
        <translation>与数据服务器的连接中断</translation>
    </message>
    <message>
        <source>Alarm journal</source>
        <translation>报警日志</translation>
    </message>
    <message>
        <source>Select the region to acknowledge in the table first, or use &quot;Acknowledge all&quot;.</source>
        <translation>请先在表格中选择要确认的区域，或使用“全部确认”。</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>%1 (ID %2) has no alarm to acknowledge.</source>
        <translation>%1（编号 %2）没有需要确认的报警。</translation>
    </message>
    <message>
        <source>Log in to acknowledge the alarm.</source>
        <translation>请登录后确认报警。</translation>
    </message>
    <message>
        <source>Log in to acknowledge the alarms.</source>
        <translation>请登录后确认全部报警。</translation>
    </message>
    <message>
        <source>Log in to mute the alarm sound.</source>
        <translation>请登录后关闭报警声音。</translation>
    </message>
</context>
<context>
    <name>RFormSetting</name>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>node has Colision!</source>
        <translation>号节点冲突！</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Nothing was saved.</source>
        <translation>未保存任何内容。</translation>
    </message>
    <message>
        <source>The systeminfo has been modified.</source>
        <translation>系统信息已修改。</translation>
    </message>
    <message>
        <source>Current preset saved.</source>
        <translation>当前预设已保存。</translation>
    </message>
    <message>
        <source>The system settings have been changed!</source>
        <translation>系统设置已更改！</translation>
    </message>
    <message>
        <source>Click the &apos;Save&apos; button to apply.</source>
        <translation>点击“保存”按钮使其生效。</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
</context>
<context>
    <name>RFormStatus</name>
    <message>
        <source>Frame</source>
        <translation>状态栏</translation>
    </message>
    <message>
        <source>IoT_Cloud:</source>
        <translation>物联网云：</translation>
    </message>
    <message>
        <source>IoT_Cloud_2:</source>
        <translation>物联网云2：</translation>
    </message>
    <message>
        <source>Connecting to the host...</source>
        <translation>正在连接主机...</translation>
    </message>
    <message>
        <source>Connected !</source>
        <translation>已连接！</translation>
    </message>
    <message>
        <source>Sound muted</source>
        <translation>报警声已静音</translation>
    </message>
    <message>
        <source>Not connected: no server address is set</source>
        <translation>未连接：未设置服务器地址</translation>
    </message>
    <message>
        <source>Not connected: the server address is not valid</source>
        <translation>未连接：服务器地址无效</translation>
    </message>
    <message>
        <source>Not connected: server name not found</source>
        <translation>未连接：找不到服务器名称</translation>
    </message>
    <message>
        <source>Not connected: server name lookup failed</source>
        <translation>未连接：服务器名称解析失败</translation>
    </message>
    <message>
        <source>Not connected: connection refused</source>
        <translation>未连接：连接被拒绝</translation>
    </message>
    <message>
        <source>Not connected: connection timed out</source>
        <translation>未连接：连接超时</translation>
    </message>
    <message>
        <source>Not connected: closed by the server</source>
        <translation>未连接：服务器关闭了连接</translation>
    </message>
    <message>
        <source>Not connected: no data from the server</source>
        <translation>未连接：服务器无数据</translation>
    </message>
    <message>
        <source>No sound device: alarms are not heard</source>
        <translation>没有声音设备：报警不会发声</translation>
    </message>
    <message>
        <source>Link to the data server lost at %1: no readings and no alarms arrive</source>
        <translation>与数据服务器的连接于 %1 中断：收不到读数，也收不到报警</translation>
    </message>
</context>
<context>
    <name>RFramePresetIp</name>
    <message>
        <source>System Settings</source>
        <translation>系统设置</translation>
    </message>
</context>
<context>
    <name>RFramePresetIpWidget</name>
    <message>
        <source>IP Address:</source>
        <translation>IP 地址：</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Threshold A:</source>
        <translation>阈值 A：</translation>
    </message>
    <message>
        <source>Threshold B:</source>
        <translation>阈值 B：</translation>
    </message>
    <message>
        <source>Threshold C:</source>
        <translation>阈值 C：</translation>
    </message>
    <message>
        <source>Detector Parameter A:</source>
        <translation>探测器参数 A：</translation>
    </message>
    <message>
        <source>Detector Parameter B:</source>
        <translation>探测器参数 B：</translation>
    </message>
    <message>
        <source>IP address2:</source>
        <translation>IP 地址2：</translation>
    </message>
    <message>
        <source>The port must be between 1 and 65535.</source>
        <translation>端口必须在 1 到 65535 之间。</translation>
    </message>
    <message>
        <source>The settings could not be saved: %1</source>
        <translation>设置未能保存：%1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not an IPv4 address or a host name.</source>
        <translation>“%1”不是 IPv4 地址或主机名。</translation>
    </message>
    <message>
        <source>The server address is empty.</source>
        <translation>服务器地址为空。</translation>
    </message>
    <message>
        <source> months</source>
        <translation> 个月</translation>
    </message>
    <message>
        <source>Older 2-second readings move to one file per month in the folder &quot;archive&quot;.</source>
        <translation>更早的 2 秒读数按月移入“archive”文件夹中的单独文件。</translation>
    </message>
    <message>
        <source>2-second readings kept in the main file:</source>
        <translation>主文件中保留 2 秒读数：</translation>
    </message>
    <message>
        <source> min</source>
        <translation> 分钟</translation>
    </message>
    <message>
        <source>Log out after no input for:</source>
        <translation>无操作自动注销时间：</translation>
    </message>
</context>
<context>
    <name>RFramePresetRegion</name>
    <message>
        <source>Device Management</source>
        <translation>设备管理</translation>
    </message>
    <message>
        <source>Inspection room</source>
        <translation>巡检房间</translation>
    </message>
    <message>
        <source>The stored history of ID %1 will be deleted.</source>
        <translation>编号 %1 已存储的历史数据将被删除。</translation>
    </message>
    <message>
        <source>Do you want to remove these devices and delete their history?</source>
        <translation>确定要移除这些设备并删除其历史数据吗？</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>RFramePresetRegionWidget</name>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Form</source>
        <translation>设备列表</translation>
    </message>
</context>
<context>
    <name>RItemModelPresetPersonal</name>
    <message>
        <source>Manufacturing number</source>
        <translation>出厂编号</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>姓名</translation>
    </message>
    <message>
        <source>Gender</source>
        <translation>性别</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>职务</translation>
    </message>
    <message>
        <source>The staff lists cannot be changed here.</source>
        <translation>人员名单不能在此修改。</translation>
    </message>
</context>
<context>
    <name>RItemModelPresetRegion</name>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Row %1: the location must have 1 to %2 characters.</source>
        <translation>第 %1 行：位置须为 1 到 %2 个字符。</translation>
    </message>
    <message>
        <source>Row %1: the ID must be between 0 and %2.</source>
        <translation>第 %1 行：编号必须在 0 到 %2 之间。</translation>
    </message>
    <message>
        <source>The device list could not be saved: %1</source>
        <translation>设备列表未能保存：%1</translation>
    </message>
</context>
<context>
    <name>RPresetAlarmThreshold</name>
    <message>
        <source>Alarm Threshold Setting</source>
        <translation>报警阈值设置</translation>
    </message>
</context>
<context>
    <name>RPresetAlarmThresholdWidget</name>
    <message>
        <source>Set</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Alarm Threshold:</source>
        <translation>报警阈值：</translation>
    </message>
    <message>
        <source>Parameters:</source>
        <translation>参数：</translation>
    </message>
    <message>
        <source>SetAll:</source>
        <translation>全部设置：</translation>
    </message>
    <message>
        <source>No region is registered.</source>
        <translation>尚未登记任何区域。</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>AlarmDose(</source>
        <translation>报警阈值(</translation>
    </message>
    <message>
        <source>A threshold of %1 would never raise the alarm.</source>
        <translation>阈值 %1 将永远不会触发报警。</translation>
    </message>
    <message>
        <source>A threshold of %1 is above the top of the range (%2): the alarm would never be raised.</source>
        <translation>阈值 %1 超出量程上限（%2）：将永远不会触发报警。</translation>
    </message>
</context>
<context>
    <name>RRegionDoseModel</name>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Show Curve</source>
        <translation>显示曲线</translation>
    </message>
    <message>
        <source>Curve Color</source>
        <translation>曲线颜色</translation>
    </message>
    <message>
        <source>No link to the data server: the value is not current</source>
        <translation>与数据服务器的连接中断：该数值不是当前值</translation>
    </message>
    <message>
        <source>Off line: no reading from this monitor</source>
        <translation>离线：收不到该监测仪的读数</translation>
    </message>
    <message>
        <source>On line: readings arrive</source>
        <translation>在线：读数正常到达</translation>
    </message>
    <message>
        <source>Alarm, not acknowledged</source>
        <translation>报警，未确认</translation>
    </message>
    <message>
        <source>No alarm</source>
        <translation>无报警</translation>
    </message>
    <message>
        <source>Alarm, acknowledged</source>
        <translation>报警，已确认</translation>
    </message>
    <message>
        <source>No reading yet</source>
        <translation>尚无读数</translation>
    </message>
    <message>
        <source>No alarm threshold and no curve colour are stored for this region: it never alarms.</source>
        <translation>该区域没有存储报警阈值和曲线颜色：它永远不会报警。</translation>
    </message>
    <message>
        <source>The stored alarm threshold is %1: this region never alarms.</source>
        <translation>存储的报警阈值为 %1：该区域永远不会报警。</translation>
    </message>
    <message>
        <source>This region is registered again at position %1; that entry is ignored.</source>
        <translation>该区域在位置 %1 处重复登记；该条目被忽略。</translation>
    </message>
    <message>
        <source>Region %1 is registered at the same position and is not shown.</source>
        <translation>区域 %1 登记在同一位置，未予显示。</translation>
    </message>
    <message>
        <source>no data</source>
        <translation>无数据</translation>
    </message>
    <message>
        <source>Alarm over, not acknowledged</source>
        <translation>报警已解除，未确认</translation>
    </message>
    <message>
        <source>H*(10) µRad/h</source>
        <translation>H*(10) 剂量率 µRad/h</translation>
    </message>
</context>
<context>
    <name>RRegionPic</name>
    <message>
        <source>Regional figure</source>
        <translation>区域图</translation>
    </message>
    <message>
        <source>The first layer</source>
        <translation>第一层</translation>
    </message>
    <message>
        <source>The second  layer</source>
        <translation>第二层</translation>
    </message>
    <message>
        <source>The third  layer</source>
        <translation>第三层</translation>
    </message>
    <message>
        <source>The fourth layer</source>
        <translation>第四层</translation>
    </message>
</context>
<context>
    <name>RSeekItems</name>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>选择</translation>
    </message>
    <message>
        <source>Id</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>RSiteDbSettingsWidget</name>
    <message>
        <source>Site database (PostgreSQL)</source>
        <translation>站点数据库（PostgreSQL）</translation>
    </message>
    <message>
        <source>unchanged</source>
        <translation>不变</translation>
    </message>
    <message>
        <source>Site name:</source>
        <translation>站点名称：</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>服务器：</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Database:</source>
        <translation>数据库：</translation>
    </message>
    <message>
        <source>User:</source>
        <translation>用户：</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>TLS mode:</source>
        <translation>TLS 模式：</translation>
    </message>
    <message>
        <source>Site database: %1.</source>
        <translation>站点数据库：%1。</translation>
    </message>
    <message>
        <source>The password file %1 could not be written: %2</source>
        <translation>无法写入密码文件 %1：%2</translation>
    </message>
</context>
<context>
    <name>RSiteLink</name>
    <message numerus="yes">
        <source>site database: %n minutes behind</source>
        <translation>
            <numerusform>站点数据库：落后 %n 分钟</numerusform>
        </translation>
    </message>
    <message>
        <source>site database: nothing sent, %1</source>
        <translation>站点数据库：未发送，%1</translation>
    </message>
    <message>
        <source>site database: not reached (%1)</source>
        <translation>站点数据库：无法连接（%1）</translation>
    </message>
    <message numerus="yes">
        <source>site database: %n minutes behind, not reached (%1)</source>
        <translation>
            <numerusform>站点数据库：落后 %n 分钟，无法连接（%1）</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>RStaffDoseDiagram</name>
    <message>
        <source>That month cumulative dose curve.</source>
        <translation>当月累积剂量曲线。</translation>
    </message>
    <message>
        <source>That month cumulative dose histogram.</source>
        <translation>当月累积剂量柱状图。</translation>
    </message>
    <message>
        <source>That day cumulative dose curve.</source>
        <translation>当日累积剂量曲线。</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>日</translation>
    </message>
    <message>
        <source>Reference line %1</source>
        <translation>参考线 %1</translation>
    </message>
    <message>
        <source>above</source>
        <translation>高于</translation>
    </message>
    <message>
        <source>at or below</source>
        <translation>不高于</translation>
    </message>
</context>
<context>
    <name>RStorageState</name>
    <message>
        <source>Database unavailable: %1. Readings are shown but not stored.</source>
        <translation>数据库不可用：%1。读数只显示而不存储。</translation>
    </message>
    <message>
        <source>Readings are not being stored: %1.</source>
        <translation>读数未被存储：%1。</translation>
    </message>
    <message>
        <source>%1 reading(s) could not be stored.</source>
        <translation>%1 条读数未能存储。</translation>
    </message>
    <message>
        <source>Retrying.</source>
        <translation>正在重试。</translation>
    </message>
    <message>
        <source>Database damaged: %1. Replace the file soon.</source>
        <translation>数据库已损坏：%1。请尽快更换文件。</translation>
    </message>
</context>
<context>
    <name>SFilterEdit</name>
    <message>
        <source>Clear text</source>
        <translation>清除文本</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>筛选</translation>
    </message>
</context>
<context>
    <name>SPrompt</name>
    <message>
        <source>Name</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
</context>
</TS>
